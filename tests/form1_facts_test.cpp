#include "core/dayfolder.h"
#include "form1fixture.h"
#include "results/inspectionfacts.h"
#include "results/measurementrecord.h"
#include "testsupport.h"
#include "widgets/flexgrid.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace norvel;

namespace {

class Form1FactsTest : public Form1Fixture {
public:
    using Form1Fixture::menuItem;

    QString dayFolder() const { return dayFolderPath(fake.programFolder.path(), fake.clockNow.date()); }
    QString factsPath() const { return inspectionFactsPath(dayFolder()); }

    InspectionFacts stored()
    {
        QString error;
        const InspectionFacts facts = readInspectionFactsOf(dayFolder(), &error);
        EXPECT_EQ(error, QString());
        EXPECT_EQ(facts.unreadableLines, 0);
        return facts;
    }

    void storeBefore(const QByteArray& line)
    {
        QDir().mkpath(dayFolder());
        QString error;
        ASSERT_TRUE(appendInspectionFacts(dayFolder(), line, &error)) << error.toStdString();
    }

    FlexGrid* grid() { return get<FlexGrid>(QStringLiteral("MSFlexGrid2")); }
    void fillRows(int count) { listRows(QStringList(count, QStringLiteral("0.20"))); }

    // The day's record as a take-in of the pole in force would have left it.
    void writeRecord(const QList<MeasurementEntry>& entries)
    {
        QByteArray content = measurementRecordHeader();
        for (MeasurementEntry entry : entries) {
            entry.time = fake.clockNow;
            content += measurementRecordLine(entry);
        }
        ASSERT_TRUE(writeWholeFile(
            QFile::encodeName(measurementRecordPath(fake.programFolder.path(), fake.clockNow.date())), content));
    }

    const QString pole = QStringLiteral("1");
    const QDateTime earlier = fake.clockNow.addSecs(-600);
};

struct ShortcutRow {
    const char* item;
    Qt::Key key;
    int poleOffers;
    int crackOffers;
};

TEST_F(Form1FactsTest, factsItems_haveTheirKeysAndTheKeysOpenTheirDialogs)
{
    const ShortcutRow rows[] = {
        { "PoleInfo", Qt::Key_F2, 1, 0 },
        { "CrackInfo", Qt::Key_F3, 0, 1 },
    };
    fillRows(2);
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    for (const ShortcutRow& row : rows) {
        SCOPED_TRACE(row.item);
        fake.poleFactsOffers.clear();
        fake.crackFactsOffers.clear();
        EXPECT_EQ(menuItem(QString::fromLatin1(row.item))->shortcut(), QKeySequence(row.key));
        QTest::keyClick(form.get(), row.key);
        EXPECT_EQ(int(fake.poleFactsOffers.size()), row.poleOffers);
        EXPECT_EQ(int(fake.crackFactsOffers.size()), row.crackOffers);
    }
}

struct PoleFactsRow {
    const char* name;
    std::optional<PoleFacts> before;
    std::optional<PoleFacts> answer; // nullopt: Cancel
    bool written;
    PoleFacts after;
};

TEST_F(Form1FactsTest, poleFacts_offerTheStoredOnes_andOkAppendsOnlyAChange)
{
    const PoleFacts typed { "東京幹123", "本町1丁目・県道5号", "RC柱", "傾きあり" };
    const PoleFacts other { "東京幹124", "本町2丁目", "", "" };
    const PoleFactsRow rows[] = {
        { "typed on a fresh day", std::nullopt, typed, true, typed },
        { "cancelled on a fresh day", std::nullopt, std::nullopt, false, {} },
        { "cancelled over stored facts", other, std::nullopt, false, other },
        { "unchanged", other, other, false, other },
        { "changed", other, typed, true, typed },
        { "a field emptied", typed, PoleFacts { typed.plate, typed.place, typed.type, "" }, true,
            PoleFacts { typed.plate, typed.place, typed.type, "" } },
    };
    for (const PoleFactsRow& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(dayFolder()).removeRecursively();
        fake.poleFactsOffers.clear();
        if (row.before)
            storeBefore(poleFactsLine(earlier, pole, *row.before));
        const QByteArray fileBefore = readWholeFile(factsPath());
        fake.poleFactsAnswers = { row.answer };

        menuItem(QStringLiteral("PoleInfo"))->trigger();

        ASSERT_EQ(fake.poleFactsOffers.size(), 1u);
        const auto& offer = fake.poleFactsOffers.front();
        EXPECT_EQ(offer.pole, pole);
        EXPECT_EQ(offer.current, row.before.value_or(PoleFacts {}));
        EXPECT_EQ(offer.knownPlates, QStringList());
        ASSERT_TRUE(offer.previousOf);
        EXPECT_EQ(offer.previousOf(typed.plate), QString());
        EXPECT_EQ(readWholeFile(factsPath()) != fileBefore, row.written);
        EXPECT_EQ(stored().pole(pole), row.after);
        EXPECT_EQ(fake.errors, QStringList());
    }
}

TEST_F(Form1FactsTest, doubleClickOnThePoleLabel_opensThePoleFactsOfThePoleInForce)
{
    get<QLineEdit>(QStringLiteral("Text4"))->setText(QStringLiteral("7"));
    form->show();
    QTest::mouseDClick(get<QLabel>(QStringLiteral("Label3")), Qt::LeftButton);
    ASSERT_EQ(fake.poleFactsOffers.size(), 1u);
    EXPECT_EQ(fake.poleFactsOffers.front().pole, QStringLiteral("7"));
}

MeasurementEntry analysis(const QString& pole, int row, CrackDirection estimated)
{
    MeasurementEntry entry;
    entry.pole = pole;
    entry.row = row;
    entry.change = RecordedChange::TakeInAnalysis;
    entry.estimated = estimated;
    entry.result = QStringLiteral("0.20");
    return entry;
}

struct ProposalRow {
    const char* name;
    QList<MeasurementEntry> record;
    std::optional<CrackDirection> stored; // the direction already in the facts file
    CrackDirection offered;
};

TEST_F(Form1FactsTest, crackFacts_proposeTheDirectionOfTheRowsLastAnalysis)
{
    const QString one = QStringLiteral("1");
    constexpr CrackDirection level = CrackDirection::Transverse;
    constexpr CrackDirection slanting = CrackDirection::Oblique;
    MeasurementEntry manual = analysis(one, 2, CrackDirection::Unknown);
    manual.change = RecordedChange::ManualLine;
    const ProposalRow rows[] = {
        { "no record", {}, std::nullopt, CrackDirection::Unknown },
        { "the analysis's estimate", { analysis(one, 2, level) }, std::nullopt, level },
        { "the last analysis", { analysis(one, 2, level), analysis(one, 2, slanting) }, std::nullopt, slanting },
        // No guess from the way the lines ran: what the analysis could not tell stays unconfirmed.
        { "an analysis without an estimate", { analysis(one, 2, level), analysis(one, 2, CrackDirection::Unknown) },
            std::nullopt, CrackDirection::Unknown },
        { "a manual line after it", { analysis(one, 2, level), manual }, std::nullopt, level },
        { "other rows and poles", { analysis(one, 1, level), analysis(QStringLiteral("2"), 2, level) }, std::nullopt,
            CrackDirection::Unknown },
        { "a direction stored wins", { analysis(one, 2, level) }, CrackDirection::Oblique, CrackDirection::Oblique },
    };
    fillRows(3);
    for (const ProposalRow& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(dayFolder()).removeRecursively();
        fake.crackFactsOffers.clear();
        if (!row.record.isEmpty())
            writeRecord(row.record);
        if (row.stored)
            storeBefore(crackFactsLine(earlier, one, 2, CrackFacts { *row.stored, 1.5, "北", true, "" }));

        form->ResultRow_DblClick(1);

        ASSERT_EQ(fake.crackFactsOffers.size(), 1u);
        EXPECT_EQ(fake.crackFactsOffers.front().row, 2);
        EXPECT_EQ(crackDirectionName(fake.crackFactsOffers.front().current.direction), crackDirectionName(row.offered));
        EXPECT_EQ(QFile::exists(factsPath()), row.stored.has_value()); // proposed, not stored
    }
}

struct CrackFactsRow {
    const char* name;
    int rows;
    std::function<void(Form1FactsTest&)> open;
    int offeredRow; // 0: no dialog
    std::optional<CrackFacts> answer; // nullopt: Cancel
};

TEST_F(Form1FactsTest, crackFacts_openForTheRowAsked_andOkStoresThem)
{
    const CrackFacts typed { CrackDirection::Oblique, 2.35, "道路側", false, "エフロあり" };
    const auto item = [](Form1FactsTest& test) { test.menuItem(QStringLiteral("CrackInfo"))->trigger(); };
    const auto doubleClick = [](int gridRow, int col) {
        return [gridRow, col](Form1FactsTest& test) {
            FlexGrid* grid = test.grid();
            const QPoint cell = grid->visualRect(grid->model()->index(gridRow, col)).center();
            // As the system delivers it: the first click, then the second press as a double click.
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
        };
    };
    const CrackFactsRow rows[] = {
        { "the item: the last row", 3, item, 3, typed },
        { "the item cancelled", 3, item, 3, std::nullopt },
        { "the item without rows", 0, item, 0, typed },
        { "a double click on the first width", 3, doubleClick(0, 1), 1, typed },
        { "a double click on a row number", 2, doubleClick(1, 0), 2, typed },
    };
    form->show();
    for (const CrackFactsRow& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(dayFolder()).removeRecursively();
        fake.crackFactsOffers.clear();
        fillRows(row.rows);
        EXPECT_EQ(menuItem(QStringLiteral("CrackInfo"))->isEnabled(), row.rows > 0);
        fake.crackFactsAnswers = { row.answer };

        row.open(*this);

        ASSERT_EQ(fake.crackFactsOffers.size(), row.offeredRow > 0 ? 1u : 0u);
        if (row.offeredRow > 0) {
            EXPECT_EQ(fake.crackFactsOffers.front().pole, pole);
            EXPECT_EQ(fake.crackFactsOffers.front().row, row.offeredRow);
        }
        const bool kept = row.offeredRow > 0 && row.answer;
        EXPECT_EQ(QFile::exists(factsPath()), kept);
        if (kept) {
            EXPECT_EQ(stored().crack(pole, row.offeredRow), typed);
        }
        EXPECT_EQ(fake.errors, QStringList());
    }
}

TEST_F(Form1FactsTest, factsThatCannotBeStored_areSaidWithWhatWasTyped)
{
    // A link at the file's name is read through but never written through.
    const QString elsewhere = fake.programFolder.filePath(QStringLiteral("elsewhere.csv"));
    ASSERT_TRUE(writeWholeFile(QFile::encodeName(elsewhere), inspectionFactsHeader()));
    QDir().mkpath(dayFolder());
    ASSERT_TRUE(QFile::link(elsewhere, factsPath()));
    fillRows(1);
    fake.poleFactsAnswers = { PoleFacts { "東京幹123", "", "", "" } };
    fake.crackFactsAnswers = { CrackFacts { CrackDirection::Transverse, std::nullopt, "", std::nullopt, "錆" } };

    menuItem(QStringLiteral("PoleInfo"))->trigger();
    menuItem(QStringLiteral("CrackInfo"))->trigger();

    ASSERT_EQ(fake.errors.size(), 2);
    for (const QString& error : fake.errors)
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(factsPath())) && error.contains("保存されていません"))
            << error.toStdString();
    EXPECT_TRUE(fake.errors[0].contains("東京幹123"));
    EXPECT_TRUE(fake.errors[1].contains("錆") && fake.errors[1].contains("横"));
    EXPECT_EQ(readWholeFile(elsewhere), inspectionFactsHeader());
}

} // namespace

namespace {

// An earlier day's pole "3" with its plate, a 横 crack of 0.08 mm and a 縦 one of 0.22 mm.
TEST_F(Form1FactsTest, poleFacts_offerEarlierPlatesAndTellThePreviousInspectionOfTheOneTyped)
{
    const QString before = dayFolderPath(fake.programFolder.path(), fake.clockNow.date().addDays(-10));
    QDir().mkpath(before + QStringLiteral("/3"));
    ASSERT_TRUE(writeWholeFile(QFile::encodeName(inspectionFactsPath(before)),
        inspectionFactsHeader() + poleFactsLine(earlier, "3", { "シモタナベ15", "", "", "" })
            + crackFactsLine(earlier, "3", 1, { CrackDirection::Transverse, {}, "", {}, "" })
            + crackFactsLine(earlier, "3", 2, { CrackDirection::Longitudinal, {}, "", {}, "" })));
    ASSERT_TRUE(writeWholeFile(QFile::encodeName(before + QStringLiteral("/3/No3CP.csv")), "1,0.08\r\n2,0.22\r\n"));
    // Today's own plate is no earlier inspection.
    storeBefore(poleFactsLine(earlier, "9", { "ヒガシ1", "", "", "" }));

    menuItem(QStringLiteral("PoleInfo"))->trigger();
    ASSERT_EQ(fake.poleFactsOffers.size(), 1u);
    const auto& offer = fake.poleFactsOffers[0];
    EXPECT_EQ(offer.knownPlates, QStringList { QStringLiteral("シモタナベ15") });
    EXPECT_EQ(offer.previousOf(QStringLiteral("シモタナベ15")),
        QStringLiteral("前回 %1 横 0.08mm 縦 0.22mm")
            .arg(fake.clockNow.date().addDays(-10).toString(QStringLiteral("yyyy/MM/dd"))));
    EXPECT_EQ(offer.previousOf(QStringLiteral("ヒガシ1")), QString());
    EXPECT_EQ(offer.previousOf(QString()), QString());
}

// A plate known only in the folder of past surveys kept for the ledger is offered too.
TEST_F(Form1FactsTest, poleFacts_alsoLookInThePastSurveysKeptForTheLedger)
{
    QTemporaryDir past;
    const QString before = dayFolderPath(past.path(), fake.clockNow.date().addYears(-1));
    QDir().mkpath(before + QStringLiteral("/3"));
    ASSERT_TRUE(writeWholeFile(QFile::encodeName(inspectionFactsPath(before)),
        inspectionFactsHeader() + poleFactsLine(earlier.addYears(-1), "3", { "キタ7", "", "", "" })));
    ASSERT_TRUE(writeWholeFile(QFile::encodeName(before + QStringLiteral("/3/No3CP.csv")), "1,0.30\r\n"));
    ASSERT_TRUE(writeWholeFile(QFile::encodeName(fake.programFolder.filePath("norvel.ini")),
        "[survey]\r\npast=" + past.path().toUtf8() + "\r\n"));

    menuItem(QStringLiteral("PoleInfo"))->trigger();
    ASSERT_EQ(fake.poleFactsOffers.size(), 1u);
    EXPECT_EQ(fake.poleFactsOffers[0].knownPlates, QStringList { QStringLiteral("キタ7") });
    EXPECT_TRUE(fake.poleFactsOffers[0].previousOf(QStringLiteral("キタ7")).contains(QStringLiteral("0.30mm")));
}

} // namespace
