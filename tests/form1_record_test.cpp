#include "form1fixture.h"
#include "results/inspectionfacts.h"
#include "results/measurementrecord.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include <sys/stat.h>

using namespace norvel;

namespace {

class Form1RecordTest : public Form1Fixture {
public:
    norvel::Form1& window() { return *form; }
    void watch()
    {
        fake.folders.push_back(pictures.path());
        get<QPushButton>(QStringLiteral("Command1"))->click();
        get<QTimer>(QStringLiteral("Timer1"))->stop();
    }
    void takeIn(int band)
    {
        writePicture(QStringLiteral("shot.bmp"), bandShot(band));
        for (int i = 0; i < 2; ++i) {
            form->Timer1_Timer();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !form->filingPending(); }, 10000));
        }
    }
    // Straight down across the band of a 640 x 480 shot shown at full size.
    void dragAcrossTheBand()
    {
        press({ 100, 150 });
        moveTo({ 100, 300 });
        release({ 100, 300 });
    }
    void autoSaveOff() { get<QCheckBox>(QStringLiteral("Check1"))->setChecked(false); }
    void click(const char* name) { get<QPushButton>(QString::fromLatin1(name))->click(); }
    void type(const char* box, const char* text)
    {
        get<QLineEdit>(QString::fromLatin1(box))->setText(QString::fromUtf8(text));
    }

    // Enter in the correction box: a typed figure is recorded once the typing has settled.
    void settle() { QTest::keyClick(get<QLineEdit>(QStringLiteral("Text3")), Qt::Key_Return); }
    QList<MeasurementEntry> recorded(bool settleFirst = true)
    {
        if (settleFirst)
            settle();
        const QString path = fake.programFolder.filePath(QStringLiteral("20221019/") + MeasurementRecordFileName);
        if (!QFile::exists(path))
            return {};
        const MeasurementRecordRead read = readMeasurementRecord(contents(path));
        EXPECT_EQ(read.unreadableLines, 0);
        return read.entries;
    }
};

struct Step {
    RecordedChange change;
    const char* pole;
    int row;
    const char* result;
    const char* picture;
};

struct RecordCase {
    const char* name;
    std::function<void(Form1RecordTest&)> steps;
    std::vector<Step> lines;
};

class RecordTest : public Form1RecordTest, public ::testing::WithParamInterface<RecordCase> { };

// Each change of the result list leaves exactly one line, saying what made it, on which row and picture.
TEST_P(RecordTest, writesOneLinePerChangeOfTheList)
{
    watch();
    GetParam().steps(*this);
    const QList<MeasurementEntry> entries = recorded();
    ASSERT_EQ(entries.size(), qsizetype(GetParam().lines.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        const Step& step = GetParam().lines[std::size_t(i)];
        EXPECT_EQ(recordedChangeName(entries[i].change), recordedChangeName(step.change));
        EXPECT_EQ(entries[i].pole, QString::fromUtf8(step.pole));
        EXPECT_EQ(entries[i].row, step.row);
        EXPECT_EQ(entries[i].result, QString::fromUtf8(step.result));
        EXPECT_EQ(entries[i].picture, QString::fromUtf8(step.picture));
        EXPECT_EQ(entries[i].time, fake.clockNow);
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, RecordTest,
    ::testing::Values(RecordCase { "takeIns",
                          [](Form1RecordTest& run) {
                              run.takeIn(40);
                              run.takeIn(30);
                          },
                          { { RecordedChange::TakeInAnalysis, "1", 1, "0.44", "1_1.jpg" },
                              { RecordedChange::TakeInAnalysis, "1", 2, "0.33", "1_2.jpg" } } },
        RecordCase { "manualLineAndCorrection",
            [](Form1RecordTest& run) {
                run.takeIn(40);
                run.dragAcrossTheBand();
                run.type("Text3", "0.5,x");
            },
            { { RecordedChange::TakeInAnalysis, "1", 1, "0.44", "1_1.jpg" },
                { RecordedChange::ManualLine, "1", 1, "0.44", "1_1.jpg" },
                { RecordedChange::TypedCorrection, "1", 1, "0.5,x", "1_1.jpg" } } },
        RecordCase { "analysisByHand",
            [](Form1RecordTest& run) {
                run.takeIn(40);
                run.click("Command2");
            },
            { { RecordedChange::TakeInAnalysis, "1", 1, "0.44", "1_1.jpg" },
                { RecordedChange::Analysis, "1", 1, "0.44", "1_1.jpg" } } },
        // Declined, the analysis's width is kept in the record beside the typed one the row keeps.
        RecordCase { "analysisDeclinedForTheTypedWidth",
            [](Form1RecordTest& run) {
                run.takeIn(40);
                run.type("Text3", "0.07");
                run.fake.okAnswers = { false };
                run.click("Command2");
            },
            { { RecordedChange::TakeInAnalysis, "1", 1, "0.44", "1_1.jpg" },
                { RecordedChange::TypedCorrection, "1", 1, "0.07", "1_1.jpg" },
                { RecordedChange::AnalysisNotApplied, "1", 1, "0.44", "1_1.jpg" } } },
        RecordCase { "clears",
            [](Form1RecordTest& run) {
                run.takeIn(40);
                run.takeIn(30);
                run.click("Command3(1)");
                run.click("Command3(0)");
                run.click("Command3(0)"); // an empty list does not change
            },
            { { RecordedChange::TakeInAnalysis, "1", 1, "0.44", "1_1.jpg" },
                { RecordedChange::TakeInAnalysis, "1", 2, "0.33", "1_2.jpg" },
                { RecordedChange::RowSetAside, "1", 2, "", "1_2.jpg" },
                // The shot on screen went with its row.
                { RecordedChange::AllCleared, "1", 0, "", "" } } },
        RecordCase { "copyThatClears",
            [](Form1RecordTest& run) {
                run.takeIn(40);
                run.click("Command4(0)");
            },
            { { RecordedChange::TakeInAnalysis, "1", 1, "0.44", "1_1.jpg" },
                { RecordedChange::CopiedAndCleared, "1", 0, "", "1_1.jpg" } } },
        RecordCase { "poleChange",
            [](Form1RecordTest& run) {
                run.takeIn(40);
                run.type("Text4", "2");
                run.type("Text4", "3");
                run.takeIn(30);
            },
            { { RecordedChange::TakeInAnalysis, "1", 1, "0.44", "1_1.jpg" },
                { RecordedChange::PoleChanged, "1", 0, "2", "1_1.jpg" },
                { RecordedChange::TakeInAnalysis, "3", 1, "0.33", "3_1.jpg" } } },
        // One line for the figure typed, once the typing has settled, however many keystrokes it took; another
        // change of the list settles it first.
        RecordCase { "typingSettles",
            [](Form1RecordTest& run) {
                run.takeIn(40);
                run.type("Text3", "0");
                run.type("Text3", "0.");
                run.type("Text3", "0.5");
                run.settle();
                run.type("Text3", "0.6");
                run.takeIn(30);
            },
            { { RecordedChange::TakeInAnalysis, "1", 1, "0.44", "1_1.jpg" },
                { RecordedChange::TypedCorrection, "1", 1, "0.5", "1_1.jpg" },
                { RecordedChange::TypedCorrection, "1", 1, "0.6", "1_1.jpg" },
                { RecordedChange::TakeInAnalysis, "1", 2, "0.33", "1_2.jpg" } } },
        RecordCase { "shutDownAndResume",
            [](Form1RecordTest& run) {
                run.takeIn(40);
                run.type("Text4", "2");
                run.type("Text4", "1");
                run.window().show();
                run.window().close();
            },
            { { RecordedChange::TakeInAnalysis, "1", 1, "0.44", "1_1.jpg" },
                { RecordedChange::PoleChanged, "1", 0, "2", "1_1.jpg" },
                // The picture was pole 1's: another pole clears it.
                { RecordedChange::PoleResumed, "1", 1, "", "" }, { RecordedChange::ShutDown, "1", 0, "", "" } } },
        // Automatic saving off: nothing goes into the day folder by itself, the record included.
        RecordCase { "withoutAutoSave",
            [](Form1RecordTest& run) {
                run.autoSaveOff();
                run.takeIn(40);
                run.type("Text3", "0.5");
            },
            {} }),
    caseName<RecordCase>);

// The line holds what is needed to draw the figure again: the settings, the lines and the scale.
TEST_F(Form1RecordTest, linesHoldWhatProducedTheWidth)
{
    watch();
    get<QCheckBox>(QStringLiteral("Check2"))->setChecked(true);
    takeIn(40);
    dragAcrossTheBand();
    const QList<MeasurementEntry> entries = recorded();
    ASSERT_EQ(entries.size(), 2);
    const MeasurementEntry& analysis = entries[0];
    EXPECT_EQ(analysis.pictureSize, QSize(640, 480));
    EXPECT_EQ(analysis.method, 1);
    EXPECT_FALSE(analysis.horizontal);
    EXPECT_TRUE(analysis.autoThreshold);
    EXPECT_EQ(analysis.threshold, get<QLineEdit>(QStringLiteral("Text2"))->text());
    EXPECT_EQ(analysis.displaySize, QStringLiteral("640*480"));
    EXPECT_EQ(analysis.rangeX, (std::array<int, 2> { 0, 640 }));
    EXPECT_EQ(analysis.rangeY, (std::array<int, 2> { 0, 480 }));
    EXPECT_EQ(analysis.pxPerMm, 91.0f);
    ASSERT_TRUE(analysis.lines.has_value());
    EXPECT_FALSE(analysis.manual.has_value());
    for (const RecordedScanLine& line : *analysis.lines) {
        EXPECT_EQ(line.start, 200);
        EXPECT_EQ(line.width, 40);
    }
    EXPECT_LT((*analysis.lines)[0].position, (*analysis.lines)[4].position);
    ASSERT_TRUE(analysis.across && analysis.across->widest); // the band is as wide all along it
    EXPECT_DOUBLE_EQ(analysis.across->widest->mm, 0.44);

    const MeasurementEntry& manual = entries[1];
    ASSERT_TRUE(manual.manual.has_value());
    EXPECT_FALSE(manual.lines.has_value());
    EXPECT_EQ(manual.manual->from, QPointF(100, 150));
    EXPECT_EQ(manual.manual->to, QPointF(100, 300));
    EXPECT_EQ(manual.manual->steps, 150);
    EXPECT_EQ(manual.manual->start, 50);
    EXPECT_EQ(manual.manual->width, 40);
    EXPECT_EQ(manual.pxPerMm, 91.0f);
}

// A record that cannot be written is said once a day; the widths go on into the list.
TEST_F(Form1RecordTest, aRecordThatCannotBeWritten_isSaidOnceADay)
{
    watch();
    ASSERT_TRUE(QDir().mkpath(fake.programFolder.filePath(QStringLiteral("20221019/") + MeasurementRecordFileName)));
    takeIn(40);
    type("Text3", "0.5");
    type("Text3", "0.6");
    EXPECT_EQ(fake.errors.filter(QStringLiteral("測定記録")).size(), 1) << fake.errors.join(u'\n').toStdString();
    EXPECT_EQ(get<QLineEdit>(QStringLiteral("Text3"))->text(), QStringLiteral("0.6"));
    // Past midnight the list still belongs to its first row's day, and so do its lines: not said again.
    fake.clockNow = fake.clockNow.addDays(1);
    type("Text3", "0.7");
    EXPECT_EQ(fake.errors.filter(QStringLiteral("測定記録")).size(), 1);
    // A new list starts the new day's record, which is another file.
    get<QPushButton>(QStringLiteral("Command3(0)"))->click();
    takeIn(30);
    EXPECT_EQ(fake.errors.filter(QStringLiteral("測定記録")).size(), 1);
}

// The ledger is made from what the day folder holds, over the window, with the day and line the user confirmed.
TEST_F(Form1RecordTest, ledgerMenu_makesTheDaysLedgerAndKeepsTheJudgementLine)
{
    watch();
    takeIn(40);
    type("Text4", "2");
    takeIn(30);
    const QString day = fake.programFolder.filePath(QStringLiteral("20221019"));
    const QString pdf = day + QStringLiteral("/写真台帳_20221019.pdf");

    menuItem(QStringLiteral("Ledger"))->trigger(); // cancelled
    ASSERT_EQ(fake.ledgerOffers.size(), 1u);
    EXPECT_EQ(fake.ledgerOffers[0].dayFolder, day);
    EXPECT_EQ(fake.ledgerOffers[0].lines.longitudinal, 0.20);
    EXPECT_FALSE(QFile::exists(pdf));

    fake.ledgerAnswers.push_back(LedgerRequest { day, { 0.05, 0.35, 0.35 }, {} });
    menuItem(QStringLiteral("Ledger"))->trigger();
    EXPECT_TRUE(fake.errors.isEmpty()) << fake.errors.join(u'\n').toStdString();
    EXPECT_TRUE(contents(pdf).startsWith("%PDF"));
    // Pole 2's row, still in the window, is in its result file too: the ledger holds every row listed, judged by the
    // direction the analysis estimated.
    EXPECT_TRUE(contents(day + QStringLiteral("/集計_20221019.csv"))
                    .endsWith("\r\n1,1,0.44,0.44,要注意,,,,0.44,,,,,\r\n2,1,0.33,0.33,要注意,,,,0.33,,,,,\r\n"))
        << contents(day + QStringLiteral("/集計_20221019.csv")).toStdString();
    ASSERT_EQ(fake.notices.size(), 1);
    EXPECT_TRUE(fake.notices[0].contains(QStringLiteral("写真台帳_20221019.pdf")));
    EXPECT_FALSE(fake.notices[0].contains(QStringLiteral("未保存"))) << fake.notices[0].toStdString();

    menuItem(QStringLiteral("Ledger"))->trigger();
    EXPECT_EQ(fake.ledgerOffers.back().lines.longitudinal, 0.35); // kept for the next time
}

// What the ledger could not read is said after it, the files named; what killed ledgers left is gone as soon
// as the dialog opens.
TEST_F(Form1RecordTest, ledgerMenu_namesWhatItCouldNotReadAndRemovesStaleTemporaries)
{
    const QString day = fake.programFolder.filePath(QStringLiteral("20221019"));
    ASSERT_TRUE(QDir().mkpath(day + QStringLiteral("/9")));
    ASSERT_TRUE(QDir().mkpath(day + QStringLiteral("/3")));
    QFile results(day + QStringLiteral("/3/No3CP.csv"));
    ASSERT_TRUE(results.open(QIODevice::WriteOnly));
    results.write("1,0.25\r\n");
    results.close();
    ASSERT_EQ(::mkfifo(QFile::encodeName(day + QStringLiteral("/9/No9CP.csv")).constData(), 0644), 0);
    const QString stale = day + QStringLiteral("/写真台帳_20221019.pdf.Ab12Cd");
    QFile killed(stale);
    ASSERT_TRUE(killed.open(QIODevice::WriteOnly));
    killed.close();

    menuItem(QStringLiteral("Ledger"))->trigger(); // cancelled
    EXPECT_FALSE(QFile::exists(stale));

    fake.ledgerAnswers.push_back(LedgerRequest { day, {}, {} });
    menuItem(QStringLiteral("Ledger"))->trigger();
    EXPECT_TRUE(fake.errors.isEmpty()) << fake.errors.join(u'\n').toStdString();
    ASSERT_EQ(fake.notices.size(), 1);
    EXPECT_TRUE(fake.notices[0].contains(QStringLiteral("写真台帳_20221019.pdf")));
    EXPECT_TRUE(fake.notices[0].contains(QStringLiteral("読めなかったファイル: 1 件")))
        << fake.notices[0].toStdString();
    EXPECT_TRUE(fake.notices[0].contains(QStringLiteral("9/No9CP.csv: 普通のファイルではありません")))
        << fake.notices[0].toStdString();
}

// A day folder that is not there is said before any work, and nothing is made.
TEST_F(Form1RecordTest, ledgerMenu_aDayFolderThatIsNotThere_isSaidAtOnce)
{
    const QString day = fake.programFolder.filePath(QStringLiteral("20990101"));
    fake.ledgerAnswers.push_back(LedgerRequest { day, {}, {} });
    menuItem(QStringLiteral("Ledger"))->trigger();
    ASSERT_EQ(fake.errors.size(), 1);
    EXPECT_TRUE(fake.errors[0].contains(QStringLiteral("日付のフォルダ"))) << fake.errors[0].toStdString();
    EXPECT_TRUE(fake.errors[0].contains(QStringLiteral("がありません"))) << fake.errors[0].toStdString();
    EXPECT_TRUE(fake.notices.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(day));
}

// A judgement line in ledger.ini that is no number is said as such, with its line; the dialog offers the default.
TEST_F(Form1RecordTest, ledgerMenu_aJudgementLineThatIsNoNumber_isSaidWithItsLine)
{
    QFile settings(fake.programFolder.filePath(QStringLiteral("ledger.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[ledger]\r\njudgementMm=abc\r\n");
    settings.close();
    menuItem(QStringLiteral("Ledger"))->trigger(); // cancelled
    ASSERT_EQ(fake.errors.size(), 1);
    EXPECT_TRUE(fake.errors[0].contains(QStringLiteral("2 行目の判定線 (judgementMm) の値「abc」を数として読めません")))
        << fake.errors[0].toStdString();
    ASSERT_EQ(fake.ledgerOffers.size(), 1u);
    EXPECT_EQ(fake.ledgerOffers[0].lines.longitudinal, 0.20);
}

// The ledger's line: norvel.ini's own lines, else ledger.ini's single line taken over into norvel.ini once; what
// the dialog sets goes to norvel.ini for the longitudinal and oblique lines, ledger.ini left as it was.
struct LedgerLineCase {
    const char* name;
    const char* ledgerIni; // nullptr: no file
    const char* ownLines; // norvel.ini's [judgement] before; nullptr: none
    double offered;
    QByteArray written; // norvel.ini's [judgement] after the first ledger; empty: none
};

class LedgerLineTest : public Form1RecordTest, public ::testing::WithParamInterface<LedgerLineCase> { };

TEST_P(LedgerLineTest, ledgerIniLineIsTakenOverOnceIntoTheProgramSettings)
{
    const LedgerLineCase& c = GetParam();
    const QString ledgerIni = fake.programFolder.filePath(QStringLiteral("ledger.ini"));
    const QString ini = fake.programFolder.filePath(QStringLiteral("norvel.ini"));
    if (c.ledgerIni) {
        ASSERT_TRUE(writeWholeFile(ledgerIni, c.ledgerIni));
    }
    if (c.ownLines) {
        ASSERT_TRUE(writeWholeFile(ini, QByteArray("[judgement]\r\n") + c.ownLines));
    }
    menuItem(QStringLiteral("Ledger"))->trigger(); // cancelled
    EXPECT_TRUE(fake.errors.isEmpty()) << fake.errors.join(u'\n').toStdString();
    ASSERT_EQ(fake.ledgerOffers.size(), 1u);
    EXPECT_EQ(fake.ledgerOffers[0].lines.longitudinal, c.offered);
    const QByteArray after = QFile::exists(ini) ? contents(ini) : QByteArray();
    if (c.written.isEmpty())
        EXPECT_FALSE(after.contains("[judgement]")) << after.toStdString();
    else
        EXPECT_TRUE(after.contains(c.written)) << after.toStdString();

    // Taken over once: a ledger.ini changed afterwards is no longer read.
    if (c.ledgerIni) {
        ASSERT_TRUE(writeWholeFile(ledgerIni, "[ledger]\r\njudgementMm=0.45\r\n"));
    }
    const QString day = fake.programFolder.filePath(QStringLiteral("20221019"));
    ASSERT_TRUE(QDir().mkpath(day));
    JudgementLines chosen = fake.ledgerOffers.back().lines;
    chosen.longitudinal = 0.35;
    chosen.oblique = 0.35;
    fake.ledgerAnswers.push_back(LedgerRequest { day, chosen, {} });
    menuItem(QStringLiteral("Ledger"))->trigger();
    EXPECT_EQ(fake.ledgerOffers.back().lines.longitudinal, c.offered);
    menuItem(QStringLiteral("Ledger"))->trigger();
    EXPECT_EQ(fake.ledgerOffers.back().lines.longitudinal, 0.35);
    EXPECT_TRUE(contents(ini).contains("longitudinal=0.35\r\noblique=0.35\r\n")) << contents(ini).toStdString();
    if (c.ledgerIni) {
        EXPECT_EQ(contents(ledgerIni), "[ledger]\r\njudgementMm=0.45\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, LedgerLineTest,
    ::testing::Values(LedgerLineCase { "ledgerIniTakenOver", "[ledger]\r\njudgementMm=0.30\r\n", nullptr, 0.30,
                          "[judgement]\r\ntransverse=0.05\r\nlongitudinal=0.30\r\noblique=0.30\r\n" },
        LedgerLineCase { "noLedgerIni", nullptr, nullptr, 0.20, "" },
        LedgerLineCase { "alreadyTakenOver", "[ledger]\r\njudgementMm=0.30\r\n",
            "transverse=0.08\r\nlongitudinal=0.25\r\noblique=0.25\r\n", 0.25, "transverse=0.08" }),
    caseName<LedgerLineCase>);

} // namespace

// A pause in the typing settles it too, without Enter or the focus leaving the box.
TEST_F(Form1RecordTest, aPauseInTheTyping_recordsTheFigureTyped)
{
    watch();
    takeIn(40);
    type("Text3", "0.5");
    auto* pause = get<QTimer>(QStringLiteral("typingSettles"));
    ASSERT_TRUE(pause->isActive());
    EXPECT_EQ(pause->interval(), 2000);
    EXPECT_EQ(recorded(false).size(), 1);
    pause->start(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded(false).size() == 2; }, 5000));
    EXPECT_EQ(recorded(false).last().result, QStringLiteral("0.5"));
}

namespace {

// Past surveys copied in while the program runs are found by the next ledger, and by the pole dialog after it.
TEST_F(Form1RecordTest, aLedgerReadsTheEarlierDaysAfresh)
{
    const QString today = fake.programFolder.filePath(QStringLiteral("20221019"));
    ASSERT_TRUE(QDir().mkpath(today + QStringLiteral("/1")));
    ASSERT_TRUE(writeWholeFile(today + QStringLiteral("/1/No1CP.csv"), "1,0.20\r\n"));
    ASSERT_TRUE(writeWholeFile(inspectionFactsPath(today),
        inspectionFactsHeader() + poleFactsLine(fake.clockNow, "1", { "P-9", "", "", "" })));
    menuItem(QStringLiteral("PoleInfo"))->trigger(); // cancelled; the earlier days are read
    ASSERT_EQ(fake.poleFactsOffers.size(), 1u);
    EXPECT_EQ(fake.poleFactsOffers[0].previousOf(QStringLiteral("P-9")), QString());

    const QString before = fake.programFolder.filePath(QStringLiteral("20221001"));
    ASSERT_TRUE(QDir().mkpath(before + QStringLiteral("/6")));
    ASSERT_TRUE(writeWholeFile(inspectionFactsPath(before),
        inspectionFactsHeader() + poleFactsLine(fake.clockNow.addDays(-18), "6", { "P-9", "", "", "" })));
    ASSERT_TRUE(writeWholeFile(before + QStringLiteral("/6/No6CP.csv"), "1,0.10\r\n"));
    fake.ledgerAnswers.push_back(LedgerRequest { today, {}, {} });
    menuItem(QStringLiteral("Ledger"))->trigger();
    EXPECT_TRUE(contents(today + QStringLiteral("/集計_20221019.csv")).contains(",P-9,,,,,,2022/10/01,0.10,+0.10"))
        << contents(today + QStringLiteral("/集計_20221019.csv")).toStdString();
    menuItem(QStringLiteral("PoleInfo"))->trigger();
    ASSERT_EQ(fake.poleFactsOffers.size(), 2u);
    EXPECT_EQ(
        fake.poleFactsOffers[1].previousOf(QStringLiteral("P-9")), QStringLiteral("前回 2022/10/01 方向なし 0.10mm"));
}

} // namespace
