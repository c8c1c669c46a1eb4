#include "files/inifile.h"
#include "settings/surveyheader.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace norvel {

// Readable failures: the choices field by field, Japanese included.
void PrintTo(const LedgerChoices& choices, std::ostream* os)
{
    *os << '{' << choices.header.title.toStdString() << " | " << choices.header.inspector.toStdString() << " | "
        << choices.header.company.toStdString() << " | " << choices.header.weather.toStdString() << " | "
        << choices.header.equipment.toStdString() << " | " << choices.header.client.toStdString() << " | "
        << choices.header.contract.toStdString() << " | form " << static_cast<int>(choices.form) << " | past "
        << choices.pastFolder.toStdString() << '}';
}

} // namespace norvel

using namespace norvel;

namespace {

const SurveyHeader Full { "国道1号線 電柱ひび割れ調査", "山田 太郎", "北陸コンクリート株式会社", "晴れ",
    "顕微鏡 KM-100", "北陸電力株式会社", "R7-0123" };

// What norvel.ini's [survey] gives: missing keys empty, only "6" the six-a-page form.
struct ReadCase {
    const char* name;
    QByteArray ini;
    LedgerChoices expected;
    bool unusable = false; // a form typed that is neither, said
};

class LedgerChoicesReadTest : public ::testing::TestWithParam<ReadCase> { };

TEST_P(LedgerChoicesReadTest, MissingKeysAreEmptyAndOnlySixIsTheSixAPageForm)
{
    const ReadCase& c = GetParam();
    EXPECT_EQ(ledgerChoices(c.ini), c.expected);
    EXPECT_EQ(unusableLedgerForm(c.ini).has_value(), c.unusable);
}

INSTANTIATE_TEST_SUITE_P(Survey, LedgerChoicesReadTest,
    ::testing::Values(ReadCase { "noFile", "", {} },
        ReadCase { "everyKeyInUtf8",
            "[survey]\r\ntitle=国道1号線 電柱ひび割れ調査\r\ninspector=山田 "
            "太郎\r\ncompany=北陸コンクリート株式会社\r\n"
            "weather=晴れ\r\nequipment=顕微鏡 "
            "KM-100\r\nclient=北陸電力株式会社\r\ncontract=R7-0123\r\nform=6\r\npast=/mnt/過去の調査\r\n",
            { Full, LedgerForm::SixPerPage, "/mnt/過去の調査" } },
        ReadCase { "someKeysMissing", "[survey]\nweather=曇り\n",
            { { "", "", "", "曇り", "", "", "" }, LedgerForm::ThreePerPage, "" } },
        ReadCase { "sixWithBlanksAround", "[survey]\r\nform = 6 \r\n", { {}, LedgerForm::SixPerPage, "" } },
        ReadCase { "threeWritten", "[survey]\r\nform=3\r\n", { {}, LedgerForm::ThreePerPage, "" } },
        ReadCase { "unknownFormIsThree", "[survey]\r\nform=4\r\n", { {}, LedgerForm::ThreePerPage, "" }, true },
        ReadCase { "emptyFormIsThree", "[survey]\r\nform=\r\n", { {}, LedgerForm::ThreePerPage, "" }, true },
        ReadCase { "fullWidthSix", "[survey]\r\nform=６\r\n", { {}, LedgerForm::SixPerPage, "" } },
        ReadCase { "keysOfAnotherSection", "[judgement]\r\ntitle=x\r\nform=6\r\npast=/p\r\n", {} }),
    caseName<ReadCase>);

// What is kept reads back as chosen, a text with line breaks as one line; other sections stay as they were.
struct RoundTripCase {
    const char* name;
    QByteArray before;
    LedgerChoices chosen;
    LedgerChoices readBack;
};

class LedgerChoicesRoundTripTest : public ::testing::TestWithParam<RoundTripCase> { };

TEST_P(LedgerChoicesRoundTripTest, WhatIsKeptReadsBackOnOneLineEach)
{
    const RoundTripCase& c = GetParam();
    QByteArray content = c.before;
    for (const ProgramSetting& setting : ledgerChoiceSettings(c.chosen)) {
        EXPECT_EQ(setting.section, "survey");
        EXPECT_FALSE(setting.value.contains(u'\n') || setting.value.contains(u'\r')) << setting.key.toStdString();
        content = withIniValue(content, setting.section, setting.key, setting.value);
    }
    EXPECT_EQ(ledgerChoices(content), c.readBack) << content.toStdString();
    EXPECT_EQ(iniValue(content, "judgement", "longitudinal"), iniValue(c.before, "judgement", "longitudinal"));
}

INSTANTIATE_TEST_SUITE_P(Survey, LedgerChoicesRoundTripTest,
    ::testing::Values(RoundTripCase { "defaultsIntoNoFile", "", {}, {} },
        RoundTripCase { "japaneseBesideOtherSections", "[judgement]\r\nlongitudinal=0.30\r\n",
            { Full, LedgerForm::SixPerPage, "/mnt/過去の調査" }, { Full, LedgerForm::SixPerPage, "/mnt/過去の調査" } },
        RoundTripCase { "lineBreaksBecomeSpaces", "",
            { { "国道1号\n上り線", "山田\r\n\r\n太郎", "北陸\u2028コンクリート", "晴れ\n", "\r\n顕微鏡", "北陸\t電力",
                  "R7\x01-1" },
                LedgerForm::ThreePerPage, "/mnt/過去\nの調査" },
            { { "国道1号 上り線", "山田 太郎", "北陸 コンクリート", "晴れ", "顕微鏡", "北陸 電力", "R7 -1" },
                LedgerForm::ThreePerPage, "/mnt/過去 の調査" } },
        RoundTripCase { "emptiedTextsAndThreeReplaceTheOld",
            "[survey]\r\ntitle=旧件名\r\nweather=雨\r\nform=6\r\npast=/old\r\n[judgement]\r\nlongitudinal=0.25\r\n",
            { { "", "", "", "", "", "", "" }, LedgerForm::ThreePerPage, "" }, {} }),
    caseName<RoundTripCase>);

// The day's own file before norvel.ini's proposal; a file that cannot be read or decoded said and passed over; a
// text out of range left empty and named.
struct DayReadCase {
    const char* name;
    std::optional<QByteArray> dayFile; // nullopt: none; "/": a folder in its place
    QByteArray ini;
    SurveyHeader expected;
    bool ownFile;
    const char* problem; // part of it; empty: none
    QStringList unusable; // the keys named
};

class DayHeaderReadTest : public ::testing::TestWithParam<DayReadCase> { };

TEST_P(DayHeaderReadTest, TheDaysFileElseTheProposal)
{
    const DayReadCase& c = GetParam();
    QTemporaryDir day;
    if (c.dayFile == "/") {
        ASSERT_TRUE(QDir(day.path()).mkdir(DayHeaderFileName));
    } else if (c.dayFile) {
        ASSERT_TRUE(writeWholeFile(dayHeaderPath(day.path()), *c.dayFile));
    }
    const DayHeader read = readDayHeader(day.path(), c.ini);
    EXPECT_TRUE(read.header == c.expected) << read.header.title.toStdString();
    EXPECT_EQ(read.ownFile, c.ownFile);
    EXPECT_TRUE(QString(c.problem).isEmpty() ? read.problem.isEmpty() : read.problem.contains(c.problem))
        << read.problem.toStdString();
    QStringList keys;
    for (const auto& [key, sentence] : read.unusable)
        keys << key;
    EXPECT_EQ(keys, c.unusable);
}

const QByteArray IniHeader = "[survey]\r\ntitle=前回の件名\r\nclient=前回の発注者\r\n";
const QString Long = QString(MaxHeaderTextLength, u'字');

INSTANTIATE_TEST_SUITE_P(Day, DayHeaderReadTest,
    ::testing::Values(DayReadCase { "noFileTheProposal", std::nullopt, IniHeader,
                          { "前回の件名", "", "", "", "", "前回の発注者", "" }, false, "", {} },
        DayReadCase { "ownFileWithItsEmptiesOverTheProposal",
            "\xEF\xBB\xBF[header]\r\ntitle=その日の件名\r\ncontract=R7-1\r\n", IniHeader,
            { "その日の件名", "", "", "", "", "", "R7-1" }, true, "", {} },
        DayReadCase { "shiftJisSaidAndPassedOver", "[header]\r\ntitle=\x8C\x8F\x96\xBC\r\n", IniHeader,
            { "前回の件名", "", "", "", "", "前回の発注者", "" }, false, "UTF-8", {} },
        DayReadCase { "folderInItsPlace", "/", "", {}, false, "調査ヘッダ", {} },
        DayReadCase { "tooLongAndControlLeftEmpty",
            "[header]\ntitle=" + (Long + u'字').toUtf8() + "\nweather=晴れ\tのち雨\ninspector=" + Long.toUtf8() + "\n",
            IniHeader, { "", Long, "", "", "", "", "" }, true, "", { "title", "weather" } },
        DayReadCase { "proposalOutOfRangeEmpty", std::nullopt, "[survey]\r\ntitle=" + (Long + u'x').toUtf8() + "\r\n",
            {}, false, "", {} }),
    caseName<DayReadCase>);

// What is written reads back as the day's own, other lines kept; a file that cannot be read, or a link, stays as it
// is.
struct DayWriteCase {
    const char* name;
    std::optional<QByteArray> before; // nullopt: none; "@": a link to a file elsewhere
    SurveyHeader header;
    const char* problem; // part of it; empty: written
    QByteArray kept; // a line the file still holds
};

class DayHeaderWriteTest : public ::testing::TestWithParam<DayWriteCase> { };

TEST_P(DayHeaderWriteTest, WrittenReadsBackElseLeftAlone)
{
    const DayWriteCase& c = GetParam();
    QTemporaryDir day;
    const QString path = dayHeaderPath(day.path());
    if (c.before == "@") {
        ASSERT_TRUE(writeWholeFile(day.filePath("elsewhere"), "[header]\ntitle=他\n"));
        ASSERT_TRUE(QFile::link(day.filePath("elsewhere"), path));
    } else if (c.before) {
        ASSERT_TRUE(writeWholeFile(path, *c.before));
    }
    const QByteArray old = readWholeFile(path);
    const QString problem = writeDayHeader(day.path(), c.header);
    if (QString(c.problem).isEmpty()) {
        EXPECT_EQ(problem, QString());
        const DayHeader read = readDayHeader(day.path(), "[survey]\r\ntitle=x\r\n");
        EXPECT_TRUE(read.ownFile && read.unusable.isEmpty());
        EXPECT_EQ(read.header.title, c.header.title.simplified());
        EXPECT_EQ(read.header.contract, c.header.contract.simplified());
    } else {
        EXPECT_TRUE(problem.contains(c.problem)) << problem.toStdString();
        EXPECT_EQ(readWholeFile(path), old);
    }
    EXPECT_TRUE(readWholeFile(path).contains(c.kept));
    if (c.before == "@") {
        EXPECT_EQ(readWholeFile(day.filePath("elsewhere")), "[header]\ntitle=他\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Day, DayHeaderWriteTest,
    ::testing::Values(DayWriteCase { "newFile", std::nullopt, Full, "", "[header]\r\ntitle=国道1号線" },
        DayWriteCase { "otherLinesKept", "; 手で書いた\n[note]\nx=1\n[header]\ntitle=旧\n",
            { "新しい件名", "", "", "", "", "", "A\r\nB" }, "", "; 手で書いた" },
        DayWriteCase { "undecodableLeftAlone", "[header]\ntitle=\x8C\x8F\n", Full, "読めないため", "\x8C\x8F" },
        DayWriteCase { "linkLeftAlone", "@", Full, "調査ヘッダ", "" }),
    caseName<DayWriteCase>);

} // namespace
