#include "ledger/previousinspection.h"
#include "results/inspectionfacts.h"

#include "testsupport.h"

#include <QDate>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

const QDateTime Morning(QDate(2022, 10, 1), QTime(9, 0));

// A day folder in which pole gets plate and its rows widths (a result file's content, none when null) and
// directions, the facts file ending in extra lines.
void writeDay(const QString& folder, const char* day, const char* pole, const char* plate, const char* results,
    QList<CrackDirection> directions = {}, const QByteArray& extra = {})
{
    const QString dayFolder = folder + '/' + day;
    QByteArray facts = inspectionFactsHeader() + poleFactsLine(Morning, pole, { plate, "", "", "" });
    for (int row = 1; row <= directions.size(); ++row) {
        CrackFacts crack;
        crack.direction = directions[row - 1];
        facts += crackFactsLine(Morning, pole, row, crack);
    }
    writeWholeFile(inspectionFactsPath(dayFolder), facts + extra);
    if (results)
        writeWholeFile(dayFolder + '/' + pole + "/No" + pole + "CP.csv", results);
}

const auto Transverse = CrackDirection::Transverse;
const auto Longitudinal = CrackDirection::Longitudinal;
const auto Oblique = CrackDirection::Oblique;
const auto NoDirection = CrackDirection::Unknown;

// The program folder of a few weeks around the day in hand, 2022/10/19, and a folder of the year before.
struct Surveys {
    QTemporaryDir program;
    QTemporaryDir past;
    Surveys()
    {
        const QString p = program.path();
        writeDay(p, "20221001", "3", "P-7", "1,0.10\r\n2,0.30\r\n", { Transverse, Longitudinal });
        writeDay(p, "20221002", "8", "P-nofile", nullptr);
        writeDay(p, "20221005", "4", "P-70", "1,0.40\r\n", {}, "cut short\r\n2022/10/05 09:00:00,4\r\n");
        writeDay(p, "20221008", "6", "P-6", "1,0.05\r\n2,0.07\r\n3,0.02\r\n", { Oblique, NoDirection, Transverse });
        writeDay(p, "20221010", "5", "P-7", "1,0.12\r\n", { Transverse });
        writeDay(p, "20221019", "7", "P-7", "1,0.50\r\n");
        writeDay(p, "20221101", "2", "P-7", "1,0.90\r\n");
        QDir().mkpath(inspectionFactsPath(p + "/20221003")); // no file to read
        QDir().mkpath(p + "/notaday");
        writeDay(past.path(), "20210916", "1", "P-7", "1,0.21\r\n");
        writeDay(past.path(), "20210915", "2", "P-old", "1,0.22\r\n");
    }
};

struct LookupCase {
    const char* name;
    const char* plate;
    QDate before;
    bool withPast;
    const char* text; // previousInspectionText; "" when none is found
    const char* pole = "";
    bool marked = false;
};

class PreviousInspectionTest : public testing::TestWithParam<LookupCase> { };

TEST_P(PreviousInspectionTest, TheLatestDayBeforeTheDayInHandThatGaveThePlate)
{
    const LookupCase& c = GetParam();
    const Surveys surveys;
    const PreviousInspections previous(surveys.program.path(), c.withPast ? surveys.past.path() : QString());
    EXPECT_EQ(previous.unreadableFiles(), 1);
    const std::optional<PreviousInspection> found = previous.find(c.plate, c.before, JudgementLines {});
    if (QByteArray(c.text).isEmpty()) {
        EXPECT_FALSE(found) << previousInspectionText(*found).toStdString();
        return;
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(previousInspectionText(*found), QString::fromUtf8(c.text));
    EXPECT_EQ(found->pole, QString::fromUtf8(c.pole));
    EXPECT_EQ(found->marked, c.marked);
}

const QDate DayInHand(2022, 10, 19);

INSTANTIATE_TEST_SUITE_P(Lookups, PreviousInspectionTest,
    testing::Values(
        LookupCase { "latest_earlier_day_wins", "P-7", DayInHand, false, "前回 2022/10/10 横 0.12mm", "5", true },
        LookupCase { "the_day_in_hand_is_not_previous", "P-7", QDate(2022, 10, 10), false,
            "前回 2022/10/01 横 0.10mm 縦 0.30mm", "3", true },
        LookupCase { "later_days_are_not_previous", "P-7", QDate(2022, 10, 20), false,
            "前回 2022/10/19 方向なし 0.50mm", "7", true },
        LookupCase { "nothing_earlier", "P-7", QDate(2022, 10, 1), false, "" },
        LookupCase {
            "past_surveys_folder", "P-7", QDate(2022, 10, 1), true, "前回 2021/09/16 方向なし 0.21mm", "1", true },
        LookupCase { "program_folder_still_first", "P-7", DayInHand, true, "前回 2022/10/10 横 0.12mm", "5", true },
        LookupCase { "only_in_past_folder", "P-old", DayInHand, true, "前回 2021/09/15 方向なし 0.22mm", "2", true },
        LookupCase { "plate_matched_exactly", "P-70", DayInHand, false, "前回 2022/10/05 方向なし 0.40mm", "4", true },
        LookupCase { "prefix_is_another_plate", "P", DayInHand, false, "" },
        LookupCase { "case_is_another_plate", "p-7", DayInHand, false, "" },
        LookupCase { "blank_is_another_plate", " P-7", DayInHand, false, "" },
        LookupCase { "directions_in_order_unknown_last", "P-6", DayInHand, false,
            "前回 2022/10/08 横 0.02mm 斜め 0.05mm 方向なし 0.07mm", "6", true },
        LookupCase { "no_result_file", "P-nofile", DayInHand, false, "前回 2022/10/02 幅の記録なし", "8", false }),
    caseName<LookupCase>);

struct PlatesCase {
    const char* name;
    QDate before;
    bool withPast;
    QStringList plates;
};

class KnownPlatesTest : public testing::TestWithParam<PlatesCase> { };

TEST_P(KnownPlatesTest, EveryPlateGivenBeforeTheDayInHand)
{
    const PlatesCase& c = GetParam();
    const Surveys surveys;
    const PreviousInspections previous(surveys.program.path(), c.withPast ? surveys.past.path() : QString());
    EXPECT_EQ(previous.knownPlates(c.before), c.plates);
}

INSTANTIATE_TEST_SUITE_P(Plates, KnownPlatesTest,
    testing::Values(PlatesCase { "none_before_the_first_day", QDate(2022, 10, 1), false, {} },
        PlatesCase { "first_days", QDate(2022, 10, 6), false, { "P-7", "P-70", "P-nofile" } },
        PlatesCase { "with_past_surveys", QDate(2022, 10, 1), true, { "P-7", "P-old" } },
        PlatesCase { "all_before_the_day_in_hand", DayInHand, false, { "P-6", "P-7", "P-70", "P-nofile" } }),
    caseName<PlatesCase>);

} // namespace

#include "ledger/ledgerday.h"
#include "ledger/ledgersummary.h"

namespace {

// Plate K-1 on 2022/10/10 (pole 5): crack 1 横 0.10; crack 2 縦 measured twice, 0.30 at its widest; row 4 written
// before cracks were numbered. Each case is a pole of the day in hand with one crack of 0.14: its pole's widest is
// set beside the widest of the same direction then, never of another.
struct CrackCase {
    const char* name;
    const char* plate;
    std::optional<int> number;
    CrackDirection direction;
    const char* text; // crackBeforeText
    const char* pole = ""; // poleBeforeText
};

class CrackBeforeTest : public testing::TestWithParam<CrackCase> { };

TEST_P(CrackBeforeTest, FindsTheSameCrackByItsNumber)
{
    const CrackCase& c = GetParam();
    QTemporaryDir program;
    const auto crack = [](int row, CrackDirection direction, std::optional<int> number) {
        return crackFactsLine(Morning, "5", row, { direction, {}, "", {}, "", number });
    };
    writeDay(program.path(), "20221010", "5", "K-1", "1,0.10\r\n2,0.30\r\n3,0.05\r\n4,0.08\r\n", {},
        crack(1, Transverse, 1) + crack(2, Longitudinal, 2) + crack(3, Longitudinal, 2) + crack(4, NoDirection, {}));
    const PreviousInspections previous(program.path());
    LedgerPole pole;
    pole.facts.plate = QString::fromUtf8(c.plate);
    LedgerRow row;
    row.row = 4;
    row.widthMm = 0.14;
    row.facts = { c.direction, {}, "", {}, "", c.number };
    LedgerDay day;
    day.day = QStringLiteral("20221019");
    const std::optional<PreviousInspection> before = previousOf(day, pole, {}, &previous);
    EXPECT_EQ(crackBeforeText(crackBefore(row, before)), QString::fromUtf8(c.text));
    pole.rows << row;
    EXPECT_EQ(before ? poleBeforeText(poleBefore(pole, *before)) : QString(), QString::fromUtf8(c.pole));
}

INSTANTIATE_TEST_SUITE_P(Cracks, CrackBeforeTest,
    testing::Values(
        CrackCase { "sameCrack", "K-1", 1, Transverse, "2022/10/10 0.10mm（変化 +0.04）", "横 最大 0.10 → 0.14" },
        CrackCase { "widestOfItsRowsThen", "K-1", 2, NoDirection, "2022/10/10 0.30mm（変化 -0.16）",
            "方向未確認 最大 0.08 → 0.14" },
        CrackCase { "newCrack", "K-1", 3, Transverse, "新規", "横 最大 0.10 → 0.14" },
        CrackCase { "otherDirectionNotCompared", "K-1", 1, Longitudinal, "2022/10/10 横 0.10mm（方向が異なる）",
            "縦 最大 0.30 → 0.14" },
        CrackCase { "olderRowsByTheirRows", "Ｋ－１", std::nullopt, Oblique, "2022/10/10 0.08mm（変化 +0.06）",
            "斜め 最大 - → 0.14" },
        CrackCase { "poleNeverSeen", "K-2", 1, Transverse, "-" }),
    caseName<CrackCase>);

} // namespace
