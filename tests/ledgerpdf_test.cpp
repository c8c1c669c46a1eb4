#include "ledger/ledgerday.h"
#include "ledger/ledgerlayout.h"
#include "ledger/ledgerpainter.h"
#include "ledger/ledgerpdf.h"
#include "ledger/ledgerplan.h"
#include "ledger/ledgerthumbnails.h"
#include "ledger/previousinspection.h"
#include "results/inspectionfacts.h"
#include "results/measurementrecord.h"

#include "recoverylist.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace norvel;

namespace {

// Grey concrete grain: no pixel of it is near pure green or red.
void writeShot(const QString& path, QSize size)
{
    QDir().mkpath(QFileInfo(path).path());
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(size.width());
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int grain = 130 + int(random.bounded(50));
            line[x] = qRgb(grain, grain, grain - 6);
        }
    }
    QImageWriter writer(path, "jpeg");
    ASSERT_TRUE(writer.write(image)) << writer.errorString().toStdString();
}

void writeResults(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

const QSize Large(1600, 1200); // decoded smaller than filed

// Pole 1: two shots, the first analysed on five vertical lines at x 200..1400, 400 to 480 pixels from y 300, its
// direction estimated oblique.
// Pole 2: seven shots (two picture pages), the first measured along a dragged line, the last one unreadable.
// Pole A: one row, no picture.
// Six a page: the cover, pole 1 and pole 2's table and first two photos, pole 2's other five, pole A.
struct GeneratedDay {
    QTemporaryDir folder;
    QString day;
    QList<MeasurementEntry> entries;

    GeneratedDay()
    {
        day = folder.filePath("20221019");
        writeResults(day + "/1/No1CP.csv", "1,0.35\r\n2,0.12\r\n");
        writeShot(day + "/1/1_1.jpg", Large);
        writeShot(day + "/1/1_2.jpg", QSize(320, 240));
        QByteArray results;
        for (int row = 1; row <= 7; ++row) {
            results += QByteArray::number(row) + ",0.0" + QByteArray::number(row) + "\r\n";
            writeShot(day + QString("/2/2_%1.jpg").arg(row), QSize(320, 240));
        }
        writeResults(day + "/2/No2CP.csv", results);
        writeResults(day + "/2/2_7.jpg", "not a picture");
        writeResults(day + "/A/NoACP.csv", "1,要確認\r\n");

        MeasurementEntry analysis;
        analysis.pole = "1";
        analysis.row = 1;
        analysis.change = RecordedChange::TakeInAnalysis;
        analysis.picture = "1_1.jpg";
        analysis.pictureSize = Large;
        analysis.lines = std::array<RecordedScanLine, 5> { { { 200, 300, 400 }, { 500, 300, 420 }, { 800, 300, 440 },
            { 1100, 300, 460 }, { 1400, 300, 480 } } };
        analysis.pxPerMm = 1000;
        analysis.estimated = CrackDirection::Oblique;
        MeasurementEntry manual;
        manual.pole = "2";
        manual.row = 1;
        manual.change = RecordedChange::ManualLine;
        manual.picture = "2_1.jpg";
        manual.pictureSize = QSize(320, 240);
        manual.manual = RecordedManualLine { QPointF(20, 120), QPointF(300, 120), 280, 100, 60 };
        manual.pxPerMm = 200;
        entries = { analysis, manual };
    }
};

bool popplerMissing()
{
    for (const char* tool : { "pdftotext", "pdfinfo", "pdftoppm" }) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return true;
    }
    return false;
}

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Colour at a point of the page given in millimetres, on a page rendered at 50 dpi.
QColor colourAt(const QImage& page, QPointF mm)
{
    const QPoint pixel = (mm * 50 / 25.4).toPoint();
    return page.pixelColor(pixel);
}

// Whether any pixel of a short run along a vertical mark is clearly of the colour; the mark is thinner than a
// pixel at 50 dpi, so it is blended with the picture beside it.
bool markAlong(const QImage& page, QPointF top, double lengthMm, bool green)
{
    for (double y = 0; y <= lengthMm; y += 0.25) {
        for (double dx : { -0.4, 0.0, 0.4 }) {
            const QColor c = colourAt(page, top + QPointF(dx, y));
            const int strong = green ? c.green() : c.red();
            const int other = green ? std::max(c.red(), c.blue()) : std::max(c.green(), c.blue());
            if (strong > 170 && other < 110)
                return true;
        }
    }
    return false;
}

TEST(LedgerPdf, ShowsTheDayItsCaptionsAndTheMarksOverThePictures)
{
    if (popplerMissing())
        GTEST_SKIP() << "pdftotext, pdfinfo and pdftoppm (poppler-utils) are needed";
    const GeneratedDay generated;
    const LedgerDay day = loadLedgerDay(generated.day, generated.entries);
    const QString pdf = generated.day + "/" + ledgerPdfFileName(day.day);
    QString error;
    ASSERT_TRUE(writeLedgerPdf(
        day, LedgerOptions { { 0.05, 0.30, 0.30 }, {}, LedgerForm::SixPerPage, nullptr }, pdf, {}, &error))
        << error.toStdString();

    EXPECT_TRUE(run("pdfinfo", { pdf }).contains(QRegularExpression("Pages:\\s+4\\n")));
    const QString text = run("pdftotext", { "-layout", pdf, "-" }).replace(QChar(0x3000), u' ');
    for (const char* expected :
        { "2022年10月19日", "調査柱No「1」 ひび割れNo 1（行 1）", "調査柱No「2」 ひび割れNo 7（行 7）", "幅 0.07 mm",
            "手動線", "自動", "要注意（斜め ≥ 0.30）", "要注意（未確認 ≥ 0.05）", "要確認", "0.480mm",
            "画像を読めません", "斜め（推定）", "方向未確認", "前回 -" })
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    // pdftotext closes up the blanks around the slash.
    EXPECT_TRUE(text.contains(QRegularExpression("\\b1 ?/ ?4\\b")));
    EXPECT_TRUE(text.contains(QRegularExpression("\\b4 ?/ ?4\\b")));
    QStringList numbered; // in page order through the ledger
    for (int photo = 1; photo <= 9; ++photo)
        numbered << QString("写真No %1 ").arg(photo);
    EXPECT_TRUE(text.contains(QRegularExpression(numbered.join("[\\s\\S]*"))));

    const QList<LedgerPage> plan = planLedger(day, LedgerForm::SixPerPage);
    ASSERT_EQ(plan.size(), 4);
    const LedgerItem pair = plan[1].items[4];
    ASSERT_EQ(pair.kind, LedgerItemKind::PhotoPair);
    const QString prefix = generated.folder.filePath("page");
    run("pdftoppm", { "-r", "50", "-f", "2", "-l", "2", "-png", pdf, prefix });
    QImage page(prefix + "-2.png");
    ASSERT_FALSE(page.isNull());
    const QRectF place = ledgerPictureRect(pair.top, 0, Large);
    const auto at = [&](double x, double y) { return place.topLeft() + QPointF(x, y) * place.width() / Large.width(); };
    const double length = 400 * place.width() / Large.width();
    // The middle three lines make the width (green); the narrowest and the widest are left out (red).
    EXPECT_TRUE(markAlong(page, at(800, 300), length, true));
    EXPECT_TRUE(markAlong(page, at(200, 300), length, false));
    EXPECT_FALSE(markAlong(page, at(200, 300), length, true));
    // Between the lines, and on the second picture, which has no record: the picture only.
    EXPECT_FALSE(markAlong(page, at(650, 300), length, true));
    EXPECT_FALSE(markAlong(page, ledgerPictureRect(pair.top, 1, QSize(320, 240)).center(), 10, true));
}

struct DecodeCase {
    const char* name;
    QSize picture;
    QSize decoded;
};

class LedgerDecodeSizeTest : public testing::TestWithParam<DecodeCase> { };

TEST_P(LedgerDecodeSizeTest, HalvesWhileLargeThenFitsTheBox)
{
    EXPECT_EQ(ledgerDecodeSize(GetParam().picture), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(Pictures, LedgerDecodeSizeTest,
    testing::Values(DecodeCase { "camera_quarter", { 2592, 1944 }, { 648, 486 } },
        DecodeCase { "portrait_quarter_then_fitted", { 1944, 2592 }, { 450, 600 } },
        DecodeCase { "half_exactly_the_box", { 1600, 1200 }, { 800, 600 } },
        DecodeCase { "quarter_still_too_large", { 4000, 3000 }, { 800, 600 } },

        DecodeCase { "small_never_enlarged", { 320, 240 }, { 320, 240 } },
        DecodeCase { "wide_fitted", { 1920, 1080 }, { 800, 450 } }),
    caseName<DecodeCase>);

struct CancelCase {
    const char* name;
    int cancelAt; // pages done when cancelled; -1 for the last call, with all pages done
};

class LedgerPdfCancelTest : public testing::TestWithParam<CancelCase> { };

TEST_P(LedgerPdfCancelTest, LeavesTheOldFileAndNothingElse)
{
    const GeneratedDay generated;
    const LedgerDay day = loadLedgerDay(generated.day, generated.entries);
    const QString pdf = generated.day + "/" + ledgerPdfFileName(day.day);
    writeResults(pdf, "old");
    const QStringList before = QDir(generated.day).entryList(QDir::Files);

    int calls = 0;
    int lastTotal = 0;
    const auto progress = [&](int done, int total) {
        ++calls;
        lastTotal = total;
        const int cancelAt = GetParam().cancelAt < 0 ? total : GetParam().cancelAt;
        return done != cancelAt;
    };
    QString error;
    EXPECT_FALSE(writeLedgerPdf(day, LedgerOptions {}, pdf, progress, &error));
    EXPECT_EQ(error, QString());
    EXPECT_EQ(calls, (GetParam().cancelAt < 0 ? lastTotal : GetParam().cancelAt) + 1);
    EXPECT_EQ(QDir(generated.day).entryList(QDir::Files), before);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "old");
}

INSTANTIATE_TEST_SUITE_P(Cancels, LedgerPdfCancelTest,
    testing::Values(CancelCase { "before_the_first_page", 0 }, CancelCase { "after_the_cover", 1 },
        CancelCase { "among_the_pictures", 4 }, CancelCase { "with_every_page_done", -1 }),
    caseName<CancelCase>);

// A filed picture cut short (a card pulled while it was copied) is drawn as far as it goes, and said.
TEST(LedgerPdf, APictureCutShortIsDrawnWithANote)
{
    if (popplerMissing())
        GTEST_SKIP() << "pdftotext, pdfinfo and pdftoppm (poppler-utils) are needed";
    QTemporaryDir folder;
    const QString day = folder.filePath("20221019");
    writeResults(day + "/1/No1CP.csv", "1,0.35\r\n2,0.20\r\n");
    writeShot(day + "/1/1_1.jpg", QSize(320, 240));
    writeShot(day + "/1/1_2.jpg", QSize(320, 240));
    QFile shot(day + "/1/1_1.jpg");
    ASSERT_TRUE(shot.resize(shot.size() / 2));
    const LedgerDay ledger = readLedgerDay(day);
    EXPECT_TRUE(ledger.problems.isEmpty()); // the header is whole: only the drawing finds the end missing

    const QString pdf = folder.filePath("ledger.pdf");
    QFile out(pdf);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    QString error;
    QList<LedgerProblem> found;
    ASSERT_TRUE(renderLedgerPdf(ledger, JudgementLines { 0.05, 0.30, 0.30 }, &out, {}, &error, &found))
        << error.toStdString();
    out.close();
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].file, "1/1_1.jpg");
    EXPECT_TRUE(found[0].reason.contains(QStringLiteral("画像が途中で切れています")));
    const QString text = run("pdftotext", { "-layout", pdf, "-" });
    EXPECT_EQ(text.count(QStringLiteral("画像が途中で切れています")), 1) << text.toStdString();

    // The half that is there is drawn; the note stands over the middle of the picture.
    const QString prefix = folder.filePath("page");
    run("pdftoppm", { "-r", "50", "-f", "2", "-l", "2", "-png", pdf, prefix });
    QImage page(prefix + "-2.png");
    ASSERT_FALSE(page.isNull());
    const QRectF place = ledgerPictureRect(planLedger(ledger).at(1).items.constLast().top, 0, QSize(320, 240));
    const QColor top = colourAt(page, place.topLeft() + QPointF(place.width() / 2, 3));
    EXPECT_LT(std::abs(top.red() - 150), 40) << top.name().toStdString(); // the grain, not white paper
}

// Hostile files are named on the cover and, beyond the first few, on the pages after it; widths out of range
// are counted there and marked in their rows; a row the window holds and pole 8's file lacks is said there.
TEST(LedgerPdf, TheCoverNamesWhatCouldNotBeReadAndTheWidthsOutOfRange)
{
    if (popplerMissing())
        GTEST_SKIP() << "pdftotext, pdfinfo and pdftoppm (poppler-utils) are needed";
    QTemporaryDir folder;
    const QString day = folder.filePath("20221019");
    writeResults(day + "/8/No8CP.csv", "1,1e308\r\n2,0.30\r\n3,-5\r\n");
    writeResults(
        folder.filePath(RecoveryFileName), recoveryOfList("8", QDate(2022, 10, 19), { "1e308", "0.30", "-5", "0.44" }));
    for (int pole = 10; pole < 19; ++pole) {
        QDir().mkpath(QString("%1/%2").arg(day).arg(pole));
        ASSERT_EQ(
            ::symlink("/dev/zero", QFile::encodeName(QString("%1/%2/No%2CP.csv").arg(day).arg(pole)).constData()), 0);
    }
    const LedgerDay ledger = readLedgerDay(day);
    ASSERT_EQ(ledger.problems.size(), 9);
    EXPECT_EQ(ledger.outOfRange, 2);
    const QString pdf = folder.filePath("ledger.pdf");
    QString error;
    // And judged by the default in place of a line typed that could not be used.
    const JudgementRead read = readJudgementLines("[judgement]\r\noblique=NaN\r\n", std::nullopt);
    ASSERT_TRUE(writeLedgerPdf(
        ledger, LedgerOptions { read.lines, {}, LedgerForm::SixPerPage, nullptr, read.unusable }, pdf, {}, &error))
        << error.toStdString();
    // Cover, the pole list beyond the cover's, one page of the problems beyond the cover's six, the ten poles.
    EXPECT_TRUE(run("pdfinfo", { pdf }).contains(QRegularExpression("Pages:\\s+4\\n")));

    const QString cover = run("pdftotext", { "-layout", "-f", "1", "-l", "1", pdf, "-" });
    for (const char* expected : { "読めなかったファイル", "9 件", "10/No10CP.csv", "15/No15CP.csv", "ほか 3 件",
             "範囲外の幅", "2 行", "0.30mm", "未保存の測定があります",
             "調査柱No「8」の 1 行が結果ファイルに保存されておらず、この台帳に載っていません。", "判定基準",
             "norvel.ini の oblique=NaN は使えないため既定値 0.20 mm で判定" })
        EXPECT_TRUE(cover.contains(QString::fromUtf8(expected))) << expected << "\n" << cover.toStdString();
    EXPECT_FALSE(cover.contains("16/No16CP.csv"));
    const QString continued = run("pdftotext", { "-layout", "-f", "3", "-l", "3", pdf, "-" });
    for (const char* expected : { "16/No16CP.csv", "17/No17CP.csv", "18/No18CP.csv", "普通のファイルではありません" })
        EXPECT_TRUE(continued.contains(QString::fromUtf8(expected))) << expected << "\n" << continued.toStdString();
    const QString table = run("pdftotext", { "-layout", "-f", "4", "-l", "4", pdf, "-" });
    EXPECT_TRUE(table.contains(QRegularExpression("1e308\\s+範囲外"))) << table.toStdString();
    EXPECT_TRUE(table.contains(QRegularExpression("-5\\s+範囲外"))) << table.toStdString();
    EXPECT_TRUE(table.contains(QStringLiteral("最大 0.30mm"))) << table.toStdString();
    const QString unread = run("pdftotext", { "-layout", "-f", "4", "-l", "4", pdf, "-" });
    EXPECT_TRUE(unread.contains(QStringLiteral("結果ファイルを読めません"))) << unread.toStdString();
}

TEST(LedgerPdf, AFailedWriteSaysWhichFile)
{
    const GeneratedDay generated;
    const LedgerDay day = loadLedgerDay(generated.day, {});
    const QString pdf = generated.folder.filePath("missing/ledger.pdf");
    QString error;
    EXPECT_FALSE(writeLedgerPdf(day, LedgerOptions {}, pdf, {}, &error));
    EXPECT_TRUE(error.contains(pdf)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

// The longest run of near-black pixels along a row of the page given in millimetres, in millimetres.
double darkRunMm(const QImage& page, double yMm, double fromMm, double toMm, int dpi)
{
    const int y = int(yMm * dpi / 25.4);
    int longest = 0;
    int run = 0;
    for (int x = int(fromMm * dpi / 25.4); x <= int(toMm * dpi / 25.4); ++x) {
        const QColor c = page.pixelColor(x, y);
        run = std::max({ c.red(), c.green(), c.blue() }) < 60 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest * 25.4 / dpi;
}

// Three cracks a page, each with its facts and a scale bar drawn at its own scale; the survey's header on the
// cover and atop every page; the previous inspection found by the pole's plate.
TEST(LedgerPdf, ThreeCracksAPageWithTheirFactsScaleBarsAndThePreviousInspection)
{
    if (popplerMissing())
        GTEST_SKIP() << "pdftotext, pdfinfo and pdftoppm (poppler-utils) are needed";
    const GeneratedDay generated;
    const QDateTime morning(QDate(2022, 10, 19), QTime(9, 0));
    const QString earlier = generated.folder.filePath("20221001");
    writeResults(earlier + "/9/No9CP.csv", "1,0.10\r\n");
    writeResults(inspectionFactsPath(earlier),
        inspectionFactsHeader() + poleFactsLine(morning.addDays(-18), "9", { "P-1", "", "", "" }));
    writeResults(inspectionFactsPath(generated.day),
        inspectionFactsHeader() + poleFactsLine(morning, "1", { "P-1", "県道8号", "CP-12", "" })
            + crackFactsLine(morning, "1", 2, { CrackDirection::Transverse, 1.5, "道路側", true, "" }));
    const LedgerDay day = loadLedgerDay(generated.day, generated.entries);
    const PreviousInspections previous(generated.folder.path());
    const LedgerOptions options { { 0.05, 0.30, 0.30 },
        { "県道8号 ひび割れ調査", "山田 太郎", "北陸電設", "晴れ", "USB顕微鏡 DM-200", "北陸電力", "R7-0042" },
        LedgerForm::ThreePerPage, &previous };
    const QString pdf = generated.day + "/" + ledgerPdfFileName(day.day);
    QString error;
    ASSERT_TRUE(writeLedgerPdf(day, options, pdf, {}, &error)) << error.toStdString();

    // Pole 1's two cracks and pole 2's first, then pole 2's cracks three a page (its last picture unreadable), pole
    // A's row as a line below them.
    const QList<LedgerPage> plan = planLedger(day, LedgerForm::ThreePerPage);
    ASSERT_EQ(plan.size(), 4);
    EXPECT_TRUE(run("pdfinfo", { pdf }).contains(QRegularExpression("Pages:\\s+4\\n")));
    for (int page = 2; page <= 4; ++page) {
        const QString images
            = run("pdfimages", { "-list", "-f", QString::number(page), "-l", QString::number(page), pdf });
        EXPECT_EQ(images.count(QRegularExpression("\\bimage\\b")), page == 4 ? 2 : 3) << images.toStdString();
    }
    const QString cover = run("pdftotext", { "-layout", "-f", "1", "-l", "1", pdf, "-" });
    for (const char* expected :
        { "県道8号 ひび割れ調査", "山田 太郎", "北陸電設", "晴れ", "USB顕微鏡 DM-200", "発注者", "北陸電力", "件名番号",
            "R7-0042", "1600×1200 画素: 1000.00 画素/mm（内蔵）", "320×240 画素: 45.50 画素/mm（内蔵）", "担当", "照査",
            "承認", "P-1", "2022/10/01 斜め -", "0.35mm（調査柱No「1」・斜め（推定））",
            "推定で判定 1 行・方向未確認 7 行（未確認は最も厳しい 0.05mm で判定）", "0.35（斜め（推定））" })
        EXPECT_TRUE(cover.contains(QString::fromUtf8(expected))) << expected << "\n" << cover.toStdString();
    EXPECT_FALSE(cover.contains("+0.25")) << "a 斜め crack set beside one of no direction then";
    const QString first = run("pdftotext", { "-layout", "-f", "2", "-l", "2", pdf, "-" });
    for (const char* expected :
        { "県道8号 ひび割れ調査", "電柱番号 P-1", "柱種 CP-12", "前回 2022/10/01 斜め（推定） 最大 - → 0.35",
            "0.35 mm（自動）", "1.50 m / 道路側", "新規", "0.5mm", "1mm", "1（1_1.jpg）", "最大 0.35mm（斜め（推定））",
            "2022/10/01 0.10mm（変化 +0.25）", "方向未確認", "ひび割れNo（行）", "要注意（斜め ≥ 0.30）" })
        EXPECT_TRUE(first.contains(QString::fromUtf8(expected))) << expected << "\n" << first.toStdString();

    EXPECT_TRUE(first.contains(QRegularExpression("\\b2 ?/ ?4\\b")));

    // The bars, drawn from each picture's own scale: 0.5 mm of the 1000 px/mm picture, 1 mm of the other.
    const QString prefix = generated.folder.filePath("page");
    run("pdftoppm", { "-r", "100", "-f", "2", "-l", "2", "-png", pdf, prefix });
    const QImage page(prefix + "-2.png");
    ASSERT_FALSE(page.isNull());
    const QList<LedgerItem>& items = plan[1].items;
    ASSERT_EQ(items[1].kind, LedgerItemKind::Crack);
    for (const auto& [item, size, expected] :
        { std::tuple { items[1], Large, 0.5 * 1000 }, std::tuple { items[2], QSize(320, 240), 1 * 45.5 } }) {
        const QRectF photo = ledgerCrackPhotoRect(item.top, size);
        const double barMm = expected * photo.width() / size.width();
        EXPECT_NEAR(darkRunMm(page, photo.bottom() - 3.4, photo.left(), photo.right(), 100), barMm, 0.6) << item.row;
    }
}

struct IdentifierCase {
    const char* name;
    PoleFacts facts;
    LedgerForm form;
    int sizes; // pictures of as many sizes, each with its scale
};

class LedgerWholeTest : public testing::TestWithParam<IdentifierCase> { };

// However long, a plate, place or pole type is never cut: its whole text is in the list, the pole's heading, beside
// or under each photo and atop the page (the plate), wrapped or smaller. The cover names every scale.
TEST_P(LedgerWholeTest, IdentifiersAndScalesDrawnWhole)
{
    if (popplerMissing())
        GTEST_SKIP() << "pdftotext, pdfinfo and pdftoppm (poppler-utils) are needed";
    QTemporaryDir folder;
    const QString day = folder.filePath("20221019");
    QByteArray rows;
    for (int r = 1; r <= GetParam().sizes; ++r) {
        writeShot(day + QString("/1/1_%1.jpg").arg(r), QSize(16 * r, 12 * r));
        rows += QByteArray::number(r) + ",0.10\r\n";
    }
    writeResults(day + "/1/No1CP.csv", rows);
    const PoleFacts& facts = GetParam().facts;
    writeResults(inspectionFactsPath(day),
        inspectionFactsHeader() + poleFactsLine(QDateTime(QDate(2022, 10, 19), QTime(9, 0)), "1", facts));
    const QString pdf = folder.filePath("ledger.pdf");
    QString error;
    ASSERT_TRUE(writeLedgerPdf(readLedgerDay(day), LedgerOptions { {}, {}, GetParam().form }, pdf, {}, &error));
    const QString text = run("pdftotext", { "-raw", pdf, "-" }).remove(QRegularExpression("\\s"));
    EXPECT_FALSE(text.contains(QChar(0x2026)) || text.contains(QStringLiteral("ほか")));
    for (const auto& [identifier, times] :
        { std::pair { facts.plate, 4 }, std::pair { facts.place, 2 }, std::pair { facts.type, 2 } })
        EXPECT_GE(text.count(QString(identifier).remove(QRegularExpression("\\s"))), times) << identifier.size();
    for (int r = 1; r <= GetParam().sizes; ++r)
        EXPECT_TRUE(text.contains(QString("%1×%2画素:").arg(16 * r).arg(12 * r))) << r;
}

INSTANTIATE_TEST_SUITE_P(Facts, LedgerWholeTest,
    testing::Values(
        IdentifierCase { "longest_plate_six",
            { QString("東北12-345A").repeated(120).left(MaxFactLength), "本町", "CP", "" }, LedgerForm::SixPerPage, 4 },
        IdentifierCase { "longest_place_thirteen_scales",
            { "P-1", QString("県道8号線 本町一丁目").repeated(100).left(MaxFactLength), "CP", "" },
            LedgerForm::SixPerPage, 13 },
        IdentifierCase { "one_long_word_three",
            { "PLATE0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ", "本町二丁目交差点北側歩道",
                "鉄筋コンクリート柱（CP-12-190）", "" },
            LedgerForm::ThreePerPage, 2 }),
    caseName<IdentifierCase>);

} // namespace
