#include "results/inspectionfacts.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace norvel;

namespace norvel {
void PrintTo(const CrackFacts& f, std::ostream* os)
{
    *os << crackDirectionName(f.direction).toStdString() << "," << (f.heightM ? *f.heightM : -1) << ","
        << f.face.toStdString() << "," << (f.rust ? (*f.rust ? "有" : "無") : "") << "," << f.remarks.toStdString();
}
void PrintTo(const PoleFacts& f, std::ostream* os)
{
    *os << f.plate.toStdString() << "," << f.place.toStdString() << "," << f.type.toStdString() << ","
        << f.remarks.toStdString();
}
} // namespace norvel

namespace {

const QDateTime At(QDate(2022, 10, 19), QTime(9, 30, 15, 250));

struct AngleCase {
    const char* name;
    double degreesFromLevel;
    CrackDirection direction;
};

class CrackDirectionTest : public testing::TestWithParam<AngleCase> { };

TEST_P(CrackDirectionTest, isTransverseNearTheLevelLongitudinalNearTheUprightElseOblique)
{
    EXPECT_EQ(crackDirectionOfAngle(GetParam().degreesFromLevel), GetParam().direction);
}

INSTANTIATE_TEST_SUITE_P(Angles, CrackDirectionTest,
    testing::Values(AngleCase { "level", 0, CrackDirection::Transverse },
        AngleCase { "thirty", 30, CrackDirection::Transverse },
        AngleCase { "thirtyDown", -30, CrackDirection::Transverse },
        AngleCase { "justPastThirty", 30.5, CrackDirection::Oblique },
        AngleCase { "sixty", 60, CrackDirection::Longitudinal },
        AngleCase { "upright", -90, CrackDirection::Longitudinal },
        AngleCase { "pastUpright", 150, CrackDirection::Transverse },
        AngleCase { "notANumber", std::nan(""), CrackDirection::Unknown }),
    caseName<AngleCase>);

TEST(CrackDirection, byName)
{
    for (const CrackDirection d :
        { CrackDirection::Unknown, CrackDirection::Transverse, CrackDirection::Longitudinal, CrackDirection::Oblique })
        EXPECT_EQ(crackDirectionFromName(crackDirectionName(d)), d);
    EXPECT_EQ(crackDirectionFromName(QStringLiteral("よこ")), std::nullopt);
}

const PoleFacts Plate15 { QStringLiteral("シモタナベ15ヒガシ1"), QStringLiteral("県道12号, 東"),
    QStringLiteral("10-19-5.0"), QStringLiteral("傾き \"小\"") };
const CrackFacts Rusty { CrackDirection::Transverse, 1.25, QStringLiteral("道路側"), true, QStringLiteral("要再調査") };

QByteArray file(std::initializer_list<QByteArray> lines)
{
    QByteArray content = inspectionFactsHeader();
    for (const QByteArray& line : lines)
        content += line;
    return content;
}

struct ReadCase {
    const char* name;
    QByteArray content;
    PoleFacts pole7;
    CrackFacts crack7row2;
    int unreadable;
};

class FactsReadTest : public testing::TestWithParam<ReadCase> { };

TEST_P(FactsReadTest, theLastLineHoldsAndDamagedLinesAreCounted)
{
    const ReadCase& c = GetParam();
    const InspectionFacts facts = readInspectionFacts(c.content);
    EXPECT_EQ(facts.pole(QStringLiteral("7")), c.pole7);
    EXPECT_EQ(facts.crack(QStringLiteral("7"), 2), c.crack7row2);
    EXPECT_EQ(facts.unreadableLines, c.unreadable) << c.content.toStdString();
}

QByteArray edited(QByteArray line, const char* from, const char* to)
{
    return line.replace(from, to);
}

const QByteArray PoleLine = poleFactsLine(At, QStringLiteral("7"), Plate15);
const QByteArray CrackLine = crackFactsLine(At, QStringLiteral("7"), 2, Rusty);

INSTANTIATE_TEST_SUITE_P(Files, FactsReadTest,
    testing::Values(ReadCase { "roundTrip", file({ PoleLine, CrackLine }), Plate15, Rusty, 0 },
        ReadCase { "laterLineWinsAndEmptyClears",
            file({ PoleLine, CrackLine, poleFactsLine(At, "7", { "P-1", "", "", "" }),
                crackFactsLine(At, "7", 2, { CrackDirection::Longitudinal, {}, "", {}, "" }) }),
            { "P-1", "", "", "" }, { CrackDirection::Longitudinal, {}, "", {}, "" }, 0 },
        ReadCase { "otherPolesAndRowsApart",
            file({ PoleLine, CrackLine, poleFactsLine(At, "8", {}), crackFactsLine(At, "7", 3, {}) }), Plate15, Rusty,
            0 },
        ReadCase { "lfOnlyAndNoHeader", edited(PoleLine + CrackLine, "\r\n", "\n"), Plate15, Rusty, 0 },
        ReadCase { "cutShort", file({ PoleLine, CrackLine.left(30) }), Plate15, {}, 1 },
        ReadCase { "heightBeyondAPole", file({ PoleLine, edited(CrackLine, ",1.25,", ",101,") }), Plate15, {}, 1 },
        ReadCase { "heightNotANumber", file({ PoleLine, edited(CrackLine, ",1.25,", ",1.2m,") }), Plate15, {}, 1 },
        ReadCase { "rustNeitherWord", file({ PoleLine, edited(CrackLine, ",有,", ",あり,") }), Plate15, {}, 1 },
        ReadCase { "directionUnknownWord", file({ PoleLine, edited(CrackLine, ",横,", ",X,") }), Plate15, {}, 1 },
        ReadCase { "rowZero", file({ PoleLine, edited(CrackLine, ",7,2,", ",7,0,") }), Plate15, {}, 1 },
        ReadCase { "poleLineWithCrackFacts", file({ edited(PoleLine, ",,,,", ",横,,,") }), {}, {}, 1 },
        ReadCase { "poleNotUsable", file({ edited(PoleLine, ",7,", ",../7,"), CrackLine }), {}, Rusty, 1 },
        // Edited by hand: a lone carriage return inside a quoted text reads as the space the program writes for it;
        // outside quotes it ends the line, as in a file saved with a CR alone ending each line.
        ReadCase { "loneCarriageReturn", file({ PoleLine, edited(CrackLine, "要再調査", "\"要再\r調査\"") }), Plate15,
            { CrackDirection::Transverse, 1.25, "道路側", true, "要再 調査" }, 0 },
        ReadCase { "crOnly", edited(file({ PoleLine, CrackLine }), "\r\n", "\r"), Plate15, Rusty, 0 },
        ReadCase { "crOnlyThenAppended", edited(file({ PoleLine }), "\r\n", "\r") + CrackLine, Plate15, Rusty, 0 },
        ReadCase { "timeNonsense", file({ edited(PoleLine, "2022-10-19", "yesterday"), CrackLine }), {}, Rusty, 1 },
        ReadCase { "shiftJisLineFromASpreadsheet",
            file({ QStringDecoder("windows-31j").isValid()
                    ? QStringEncoder("windows-31j").encode(QString::fromUtf8(PoleLine))
                    : PoleLine }),
            Plate15, {}, 0 }),
    caseName<ReadCase>);

TEST(InspectionFacts, aTextOnSeveralLinesIsKeptOnOne)
{
    PoleFacts typed = Plate15;
    typed.remarks = QStringLiteral("一行目\r\n二行目\n三行目");
    const InspectionFacts facts = readInspectionFacts(file({ poleFactsLine(At, "7", typed) }));
    EXPECT_EQ(facts.pole("7").remarks, QStringLiteral("一行目 二行目 三行目"));
}

TEST(InspectionFacts, appendsBehindOneHeaderAndNamesAFileItCannotRead)
{
    QTemporaryDir day;
    QString error;
    ASSERT_TRUE(appendInspectionFacts(day.path(), PoleLine, &error)) << error.toStdString();
    ASSERT_TRUE(appendInspectionFacts(day.path(), CrackLine, &error)) << error.toStdString();
    EXPECT_EQ(readWholeFile(inspectionFactsPath(day.path())), file({ PoleLine, CrackLine }));
    const InspectionFacts facts = readInspectionFactsOf(day.path(), &error);
    EXPECT_EQ(facts.pole("7"), Plate15);
    EXPECT_TRUE(error.isEmpty());

    QTemporaryDir missing;
    EXPECT_TRUE(readInspectionFactsOf(missing.path(), &error).poles.isEmpty());
    EXPECT_TRUE(error.isEmpty());
    ASSERT_TRUE(QDir().mkpath(inspectionFactsPath(missing.path())));
    EXPECT_TRUE(readInspectionFactsOf(missing.path(), &error).poles.isEmpty());
    EXPECT_TRUE(error.contains(InspectionFactsFileName)) << error.toStdString();
    EXPECT_FALSE(appendInspectionFacts(missing.path(), PoleLine, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("調査情報「"))) << error.toStdString();
}

} // namespace

namespace {

// A facts line's time: the program's own form read by its digits, the forms a person may type parsed, anything
// else a line that cannot be read.
struct TimeCase {
    const char* name;
    const char* time;
    bool readable;
};

class FactsTimeTest : public testing::TestWithParam<TimeCase> { };

TEST_P(FactsTimeTest, ALineIsReadOnlyWithATime)
{
    const TimeCase& c = GetParam();
    const QByteArray line = QByteArray(c.time) + ",7,,P-7,,,,,,,\r\n";
    const InspectionFacts facts = readInspectionFacts(inspectionFactsHeader() + line);
    EXPECT_EQ(facts.unreadableLines, c.readable ? 0 : 1);
    EXPECT_EQ(facts.pole("7").plate, c.readable ? "P-7" : "");
}

INSTANTIATE_TEST_SUITE_P(Times, FactsTimeTest,
    testing::Values(TimeCase { "written_form", "2022-10-19 09:00:00.000", true },
        TimeCase { "typed_form", "2022/10/19 9:00", true },
        TimeCase { "no_such_month", "2022-13-19 09:00:00.000", false },
        TimeCase { "no_such_day", "2022-02-30 09:00:00.000", false },
        TimeCase { "no_such_hour", "2022-10-19 24:00:00.000", false },
        TimeCase { "letters_in_digits", "2022-1a-19 09:00:00.000", false },
        TimeCase { "full_width_digit", "２022-10-19 09:00:00.000", false },
        TimeCase { "other_separators_same_length", "2022_10_19 09:00:00.000", false }, TimeCase { "empty", "", false }),
    caseName<TimeCase>);

QByteArray numbered(const char* pole, int row, std::optional<int> number, const char* plate = nullptr)
{
    if (plate)
        return poleFactsLine(At, pole, { plate, "本町１丁目", "ＲＣ柱", "ＲＣ" });
    CrackFacts facts;
    facts.number = number;
    return crackFactsLine(At, pole, row, facts);
}

// The number offered for row 3 of pole 7: its own once it has facts (a line written before numbers were kept: its
// row), else the smallest no other row of the pole goes by; a number no crack can have is a line not read.
struct ProposalCase {
    const char* name;
    QByteArray lines;
    int proposed;
    int unreadable = 0;
};

class CrackNumberTest : public testing::TestWithParam<ProposalCase> { };

TEST_P(CrackNumberTest, OffersTheNextFreeNumber)
{
    const InspectionFacts facts = readInspectionFacts(inspectionFactsHeader() + GetParam().lines);
    EXPECT_EQ(proposedCrackNumber(facts, "7", 3), GetParam().proposed);
    EXPECT_EQ(facts.unreadableLines, GetParam().unreadable);
}

INSTANTIATE_TEST_SUITE_P(Proposals, CrackNumberTest,
    testing::Values(ProposalCase { "first", numbered("8", 1, 1), 1 },
        ProposalCase { "afterOthersAndOlderRows", numbered("7", 1, std::nullopt) + numbered("7", 2, 3), 2 },
        ProposalCase { "keepsItsOwn", numbered("7", 1, 1) + numbered("7", 3, 5), 5 },
        ProposalCase { "olderLineKeepsItsRow", edited(numbered("7", 3, 1), ",1\r\n", "\r\n"), 3 },
        ProposalCase { "zeroNotRead", edited(numbered("7", 1, 1), ",1\r\n", ",0\r\n"), 1, 1 },
        ProposalCase { "poleLineWithANumber", edited(numbered("7", 0, 0, "P"), ",ＲＣ,\r\n", ",ＲＣ,1\r\n"), 1, 1 }),
    caseName<ProposalCase>);

TEST(InspectionFacts, namesTypedInFullWidthReadInHalfWidth)
{
    EXPECT_EQ(readInspectionFacts(numbered("7", 0, 0, "Ｐ－７ａ‐−")).pole("7"),
        (PoleFacts { "P-7a--", "本町1丁目", "RC柱", "ＲＣ" }));
}

} // namespace
