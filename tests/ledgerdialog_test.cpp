#include "files/durablefile.h"
#include "ledger/ledgerdialog.h"
#include "ledger/previousinspection.h"
#include "results/measurementrecord.h"
#include "settings/ledgersettings.h"

#include "failingdisk.h"
#include "testsupport.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <utility>

#include <unistd.h>

using namespace norvel;

namespace {

TEST(LedgerDialog, BrowsingFillsTheFolderAndCancellingKeepsIt)
{
    QTemporaryDir pastSurveys;
    std::optional<QString> answer = QStringLiteral("/p/20221019");
    std::optional<QString> pastAnswer = pastSurveys.path();
    LedgerDialog dialog([&answer] { return answer; }, [&pastAnswer] { return pastAnswer; });
    auto* folder = dialog.findChild<QLineEdit*>("dayFolder");
    auto* ok = dialog.findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Ok);
    EXPECT_FALSE(ok->isEnabled());

    dialog.findChild<QPushButton*>("browse")->click();
    EXPECT_EQ(dialog.dayFolder(), "/p/20221019");
    EXPECT_TRUE(ok->isEnabled());
    answer.reset();
    dialog.findChild<QPushButton*>("browse")->click();
    EXPECT_EQ(folder->text(), "/p/20221019");

    dialog.findChild<QPushButton*>("browsePast")->click();
    EXPECT_EQ(dialog.choices().pastFolder, pastSurveys.path());
    pastAnswer.reset();
    dialog.findChild<QPushButton*>("browsePast")->click();
    EXPECT_EQ(dialog.findChild<QLineEdit*>("pastFolder")->text(), pastSurveys.path());
    EXPECT_EQ(dialog.dayFolder(), "/p/20221019");
    EXPECT_TRUE(ok->isEnabled());
}

// OK waits for a day folder, and for a past folder that is there when one is named; a missing one is said.
struct OkCase {
    const char* name;
    const char* day;
    const char* past; // {past}: an existing folder
    bool ok;
    bool missingSaid;
};

void PrintTo(const OkCase& c, std::ostream* os)
{
    *os << c.name;
}

class LedgerDialogOkTest : public testing::TestWithParam<OkCase> { };

TEST_P(LedgerDialogOkTest, WaitsForADayFolderAndAPastFolderThatIsThere)
{
    const OkCase& c = GetParam();
    QTemporaryDir pastSurveys;
    ASSERT_TRUE(QFile(pastSurveys.filePath("file")).open(QIODevice::WriteOnly));
    LedgerDialog dialog([] { return std::nullopt; }, [] { return std::nullopt; });
    dialog.findChild<QLineEdit*>("dayFolder")->setText(c.day);
    dialog.findChild<QLineEdit*>("pastFolder")->setText(QString(c.past).replace("{past}", pastSurveys.path()));
    EXPECT_EQ(dialog.findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Ok)->isEnabled(), c.ok);
    EXPECT_EQ(dialog.findChild<QLabel*>("pastMissing")->isVisibleTo(&dialog), c.missingSaid);
}

INSTANTIATE_TEST_SUITE_P(Folders, LedgerDialogOkTest,
    testing::Values(OkCase { "noDayFolder", "", "", false, false },
        OkCase { "dayFolderWithoutPast", "/p/20221019", "", true, false },
        OkCase { "blanksAreNoPastFolder", "/p/20221019", "  ", true, false },
        OkCase { "pastFolderThere", "/p/20221019", "{past}", true, false },
        OkCase { "pastFolderMissing", "/p/20221019", "{past}/none", false, true },
        OkCase { "pastFolderIsAFile", "/p/20221019", "{past}/file", false, true },
        OkCase { "missingPastWithoutDay", " ", "{past}/none", false, true }),
    caseName<OkCase>);

// What the window offers is shown field by field, and what is typed there comes back.
TEST(LedgerDialog, ShowsWhatIsOfferedAndGivesBackWhatIsTyped)
{
    LedgerDialog dialog([] { return std::nullopt; }, [] { return std::nullopt; });
    EXPECT_TRUE(dialog.lines() == JudgementLines {});
    EXPECT_TRUE(dialog.choices() == LedgerChoices {});
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("formThree")->isChecked());

    dialog.setLines({ 0.10, 0.30, 0.45 });
    dialog.setChoices({ { "国道8号", "山田 太郎", "北陸電柱", "曇り", "KM-100", "北陸電力", "R4-77" },
        LedgerForm::SixPerPage, "/p/過去" });
    const std::pair<const char*, QString> shown[]
        = { { "title", "国道8号" }, { "inspector", "山田 太郎" }, { "company", "北陸電柱" }, { "weather", "曇り" },
              { "equipment", "KM-100" }, { "client", "北陸電力" }, { "contract", "R4-77" }, { "pastFolder", "/p/過去" },
              { "transverseMm", "0.10 mm" }, { "longitudinalMm", "0.30 mm" }, { "obliqueMm", "0.45 mm" } };
    for (const auto& [name, text] : shown) {
        const auto* edit = dialog.findChild<QLineEdit*>(name);
        const auto* spin = dialog.findChild<QDoubleSpinBox*>(name);
        EXPECT_EQ(edit ? edit->text() : spin ? spin->text() : QString("(none)"), text) << name;
    }
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("formSix")->isChecked());

    dialog.findChild<QLineEdit*>("weather")->setText(" 雨 ");
    dialog.findChild<QRadioButton*>("formThree")->click();
    dialog.findChild<QLineEdit*>("pastFolder")->clear();
    dialog.findChild<QDoubleSpinBox*>("transverseMm")->setValue(0.123);
    dialog.findChild<QDoubleSpinBox*>("obliqueMm")->setValue(20);
    EXPECT_TRUE(dialog.choices()
        == LedgerChoices({ { "国道8号", "山田 太郎", "北陸電柱", "雨", "KM-100", "北陸電力", "R4-77" },
            LedgerForm::ThreePerPage, "" }));
    EXPECT_EQ(dialog.lines().transverse, 0.12);
    EXPECT_EQ(dialog.lines().longitudinal, 0.30);
    EXPECT_EQ(dialog.lines().oblique, MaximumJudgementMm);
}

// Until a header field is typed in, the header follows the day folder: another day is not headed as this one.
TEST(LedgerDialog, TheHeaderFollowsTheDayFolderUntilTyped)
{
    for (const auto& [typed, title] : { std::pair { "", "/p/2" }, std::pair { "x", "/p/1x" } }) {
        LedgerDialog dialog([] { return std::nullopt; }, [] { return std::nullopt; });
        dialog.setDayHeaders([](const QString& day) { return SurveyHeader { day, "", "", "", "", "", "" }; });
        dialog.setDayFolder("/p/1");
        QTest::keyClicks(dialog.findChild<QLineEdit*>("title"), typed);
        dialog.setDayFolder("/p/2");
        EXPECT_EQ(dialog.choices().header.title, QString(title));
    }
}

TEST(LedgerDialog, MakesTheLedgerAndTheSummaryInTheDayFolder)
{
    QTemporaryDir program;
    const QString day = program.filePath("20221019");
    QDir().mkpath(day + "/3");
    QFile results(day + "/3/No3CP.csv");
    ASSERT_TRUE(results.open(QIODevice::WriteOnly));
    results.write("1,0.25\r\n");
    results.close();

    QString pdf;
    QString error;
    QString notes;
    ASSERT_TRUE(makeLedger(nullptr, day, LedgerOptions {}, &pdf, &error, &notes)) << error.toStdString();
    EXPECT_EQ(notes, QString());
    EXPECT_EQ(pdf, day + "/写真台帳6_20221019.pdf"); // six a page, the options' form
    QFile ledger(pdf);
    ASSERT_TRUE(ledger.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ledger.read(5) == "%PDF-");
    QFile summary(day + "/集計_20221019.csv");
    ASSERT_TRUE(summary.open(QIODevice::ReadOnly));
    EXPECT_TRUE(summary.readAll().endsWith("\r\n3,1,0.25,0.25,要注意,,,,,,,,,\r\n"));
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

void write(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A day of one pole with an old ledger and summary beside it.
struct OldPair {
    QTemporaryDir program;
    QString day;
    QString pdf;
    QString csv;
    LedgerDay ledger;

    OldPair()
    {
        day = program.filePath("20221019");
        write(day + "/3/No3CP.csv", "1,0.25\r\n");
        pdf = day + "/写真台帳_20221019.pdf";
        csv = day + "/集計_20221019.csv";
        write(pdf, "old ledger");
        write(csv, "old summary");
        ledger = readLedgerDay(day);
    }
};

constexpr qint64 Unlimited = qint64(1) << 40;

struct CommitCase {
    const char* name;
    qint64 pdfWritable;
    bool pdfSyncFails;
    qint64 csvWritable;
    bool csvSyncFails;
    int cancelAt; // pages done when cancelled; -1 for none
    const char* errorNames; // the file the error names; "" when cancelled
};

void PrintTo(const CommitCase& c, std::ostream* os)
{
    *os << c.name;
}

class LedgerFilesTest : public testing::TestWithParam<CommitCase> { };

// The ledger and its summary appear together or not at all: a failure of either, or a cancel, leaves the
// old pair and no temporary file.
TEST_P(LedgerFilesTest, BothNewOrNeither)
{
    const CommitCase& c = GetParam();
    const OldPair old;
    FailingFile pdf(old.pdf, c.pdfWritable, c.pdfSyncFails);
    FailingFile csv(old.csv, c.csvWritable, c.csvSyncFails);
    const auto progress = [&c](int done, int) { return done != c.cancelAt; };
    QString error;
    EXPECT_FALSE(writeLedgerFiles(old.ledger, LedgerOptions {}, pdf, csv, progress, &error, nullptr));
    if (QByteArray(c.errorNames).isEmpty())
        EXPECT_EQ(error, QString());
    else
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.errorNames))) << error.toStdString();
    EXPECT_EQ(contents(old.pdf), "old ledger");
    EXPECT_EQ(contents(old.csv), "old summary");
    EXPECT_EQ(entries(old.day), QStringList({ "写真台帳_20221019.pdf", "集計_20221019.csv" }));
}

INSTANTIATE_TEST_SUITE_P(Failures, LedgerFilesTest,
    testing::Values(CommitCase { "summary_disk_full", Unlimited, false, 10, false, -1, "集計_20221019.csv" },
        CommitCase { "summary_sync_fails", Unlimited, false, Unlimited, true, -1, "集計_20221019.csv" },
        CommitCase { "ledger_disk_full", 1000, false, Unlimited, false, -1, "写真台帳_20221019.pdf" },
        CommitCase { "ledger_sync_fails", Unlimited, true, Unlimited, false, -1, "写真台帳_20221019.pdf" },
        CommitCase { "cancelled_at_the_start", Unlimited, false, Unlimited, false, 0, "" },
        CommitCase { "cancelled_with_every_page_done", Unlimited, false, Unlimited, false, 2, "" }),
    caseName<CommitCase>);

// A disk that fills stops the ledger at the next page instead of rendering it to the end for nothing.
TEST(LedgerFiles, ADiskThatFillsStopsTheLedgerAtTheNextPage)
{
    const OldPair old;
    QImage noise(800, 600, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, random.generate() | 0xFF000000u);
    for (int pole = 4; pole < 8; ++pole) {
        for (int row = 1; row <= 6; ++row) {
            const QString picture = QString("%1/%2/%2_%3.jpg").arg(old.day).arg(pole).arg(row);
            QDir().mkpath(QFileInfo(picture).path());
            ASSERT_TRUE(noise.save(picture, "JPEG", 95));
        }
        write(QString("%1/%2/No%2CP.csv").arg(old.day).arg(pole), "1,0.1\n2,0.1\n3,0.1\n4,0.1\n5,0.1\n6,0.1\n");
    }
    const LedgerDay ledger = readLedgerDay(old.day);
    FailingFile pdf(old.pdf, 1000, false);
    DurableFile csv(old.csv);
    int last = 0;
    int pages = 0;
    const auto progress = [&](int done, int total) {
        last = done;
        pages = total;
        return true;
    };
    QString error;
    EXPECT_FALSE(writeLedgerFiles(ledger, LedgerOptions {}, pdf, csv, progress, &error, nullptr));
    EXPECT_TRUE(error.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << error.toStdString();
    EXPECT_EQ(pages, 1 + 6); // the cover, then the poles' tables and 24 photos flowing on
    EXPECT_LT(last, 6);
    EXPECT_EQ(contents(old.pdf), "old ledger");
}

TEST(LedgerFiles, BothReplacedWhenBothAreWritten)
{
    const OldPair old;
    DurableFile pdf(old.pdf);
    DurableFile csv(old.csv);
    QString error;
    ASSERT_TRUE(writeLedgerFiles(old.ledger, LedgerOptions {}, pdf, csv, {}, &error, nullptr)) << error.toStdString();
    EXPECT_TRUE(contents(old.pdf).startsWith("%PDF-"));
    EXPECT_TRUE(contents(old.csv).endsWith("\r\n3,1,0.25,0.25,要注意,,,,,,,,,\r\n"));
    EXPECT_EQ(entries(old.day), QStringList({ "写真台帳_20221019.pdf", "集計_20221019.csv" }));
}

// A ledger killed while it was written leaves its temporary files; the next opening of the dialog removes
// them, and nothing else.
TEST(LedgerFiles, StaleTemporariesAreRemoved)
{
    QTemporaryDir program;
    const QString day = program.filePath("20221019");
    const QString other = program.filePath("20221020");
    const QString elsewhere = program.filePath("photos");
    for (const QString& folder : { day, other, elsewhere }) {
        const QString name = QFileInfo(folder).fileName();
        write(folder + "/写真台帳_" + name + ".pdf.Ab12Cd", "killed");
        write(folder + "/集計_" + name + ".csv.zz99ZZ", "killed");
        write(folder + "/写真台帳_" + name + ".pdf", "kept");
        write(folder + "/写真台帳_" + name + ".pdf.old", "kept: not a temporary's name");
        write(folder + "/写真台帳_20221018.pdf.Ab12Cd", "kept: another day's name");
    }
    removeStaleLedgerFiles(elsewhere);
    EXPECT_EQ(entries(elsewhere),
        QStringList({ "写真台帳_20221018.pdf.Ab12Cd", "写真台帳_photos.pdf", "写真台帳_photos.pdf.old" }));
    removeStaleLedgerFilesOfDays(program.path());
    for (const QString& folder : { day, other }) {
        const QString name = QFileInfo(folder).fileName();
        EXPECT_EQ(entries(folder),
            QStringList(
                { "写真台帳_20221018.pdf.Ab12Cd", "写真台帳_" + name + ".pdf", "写真台帳_" + name + ".pdf.old" }));
    }
}

TEST(LedgerDialog, ADayFolderThatIsNotThereIsRefusedFirst)
{
    QTemporaryDir program;
    write(program.filePath("file"), "x");
    for (const char* name : { "20221019", "file" }) {
        SCOPED_TRACE(name);
        QString pdf;
        QString error;
        QString notes;
        EXPECT_FALSE(makeLedger(nullptr, program.filePath(name), LedgerOptions {}, &pdf, &error, &notes));
        EXPECT_TRUE(error.contains(program.filePath(name))) << error.toStdString();
        EXPECT_TRUE(error.contains(QByteArray(name) == "file" ? "はフォルダではありません" : "がありません"))
            << error.toStdString();
    }
    EXPECT_EQ(entries(program.path()), QStringList({ "file" }));
}

// The message after the ledger names each file it could not read, and the widths out of range.
TEST(LedgerDialog, TheFinalMessageNamesWhatCouldNotBeRead)
{
    QTemporaryDir program;
    const QString day = program.filePath("20221019");
    write(day + "/3/No3CP.csv", "1,0.25\r\n2,1e308\r\n");
    QDir().mkpath(day + "/4");
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(day + "/4/No4CP.csv").constData()), 0);
    write(day + "/測定記録.csv", measurementRecordHeader() + "\"\r\n");
    // Earlier days whose facts could not be read for the previous inspections; a later day's do not matter.
    QDir().mkpath(program.filePath("20221003/調査情報.csv"));
    write(program.filePath("20221005/調査情報.csv"), "\xFF\xFE,\r\n");
    QDir().mkpath(program.filePath("20221101/調査情報.csv"));
    const PreviousInspections previous(program.path());
    const LedgerOptions options { {}, {}, LedgerForm::SixPerPage, &previous };
    QString pdf;
    QString error;
    QString notes;
    ASSERT_TRUE(makeLedger(nullptr, day, options, &pdf, &error, &notes)) << error.toStdString();
    for (const char* expected : { "読めなかったファイル: 4 件", "4/No4CP.csv: 普通のファイルではありません",
             "測定記録.csv: 読めない行が 1 行あります（2 行目）", "範囲外の幅: 1 行",
             "../20221003/調査情報.csv: ファイルではなくフォルダです", "../20221005/調査情報.csv: 読めない行が 1 行" })
        EXPECT_TRUE(notes.contains(QString::fromUtf8(expected))) << expected << "\n" << notes.toStdString();
}

TEST(LedgerDialog, TheFinalMessageListsAFewAndCountsTheRest)
{
    LedgerDay day;
    for (int i = 0; i < 20; ++i)
        day.problems.append({ QString("%1/No%1CP.csv").arg(i), "x" });
    day.unlistedProblems = 5;
    const QString notes = ledgerNotes(day, { { "1/1_1.jpg", "画像が途中で切れています。" } }, 15);
    EXPECT_TRUE(notes.startsWith("読めなかったファイル: 26 件")) << notes.toStdString();
    EXPECT_TRUE(notes.contains("14/No14CP.csv"));
    EXPECT_FALSE(notes.contains("15/No15CP.csv"));
    EXPECT_TRUE(notes.endsWith("ほか 11 件")) << notes.toStdString();
}

} // namespace
