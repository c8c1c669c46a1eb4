#include "files/inifile.h"
#include "settings/surveyheader.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace norvel {

// Readable failures: the choices field by field, Japanese included.
void PrintTo(const LedgerChoices& choices, std::ostream* os)
{
    *os << '{' << choices.header.title.toStdString() << " | " << choices.header.inspector.toStdString() << " | "
        << choices.header.company.toStdString() << " | " << choices.header.weather.toStdString() << " | "
        << choices.header.equipment.toStdString() << " | form " << static_cast<int>(choices.form) << " | past "
        << choices.pastFolder.toStdString() << '}';
}

} // namespace norvel

using namespace norvel;

namespace {

const SurveyHeader Full { "国道1号線 電柱ひび割れ調査", "山田 太郎", "北陸コンクリート株式会社", "晴れ",
    "顕微鏡 KM-100", "", "" };

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
            "weather=晴れ\r\nequipment=顕微鏡 KM-100\r\nform=6\r\npast=/mnt/過去の調査\r\n",
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

// The day's own file before norvel.ini's proposal; one that cannot be read said and passed over, never written over
// (nor through a link); a text out of range left empty and named; what is written read back.
struct DayCase {
    const char* name;
    std::optional<QByteArray> file; // nullopt: none; "@": a link to a file elsewhere
    QByteArray ini;
    std::optional<SurveyHeader> written; // written first
    QString title, client; // read back
    bool own;
    const char* said; // part of what is said; empty: nothing
    qsizetype unusable; // texts named
};

class DayHeaderTest : public ::testing::TestWithParam<DayCase> { };

TEST_P(DayHeaderTest, ReadFromTheDayElseTheProposal)
{
    const DayCase& c = GetParam();
    QTemporaryDir day;
    const QString path = dayHeaderPath(day.path());
    ASSERT_TRUE(c.file == "@"
            ? writeWholeFile(day.filePath("x"), "[header]\ntitle=他\n") && QFile::link(day.filePath("x"), path)
            : !c.file || writeWholeFile(path, *c.file));
    const QByteArray old = readWholeFile(path);
    const QString refused = c.written ? writeDayHeader(day.path(), *c.written) : QString();
    EXPECT_TRUE(refused.isEmpty() || readWholeFile(path) == old);
    const DayHeader read = readDayHeader(day.path(), c.ini);
    const QString said = refused + read.problem;
    EXPECT_TRUE(*c.said ? said.contains(c.said) : said.isEmpty()) << said.toStdString();
    EXPECT_TRUE(read.header.title == c.title && read.header.client == c.client && read.ownFile == c.own);
    EXPECT_EQ(read.unusable.size(), c.unusable);
    EXPECT_EQ(readWholeFile(path).contains("memo=手書き"), c.file && c.file->contains("memo=手書き"));
}

const QString Long = QString(MaxHeaderTextLength, u'字');

INSTANTIATE_TEST_SUITE_P(Day, DayHeaderTest,
    ::testing::Values(DayCase { "noFileProposalLongLeftEmpty", std::nullopt,
                          "[survey]\ntitle=前回\nclient=" + (Long + u'x').toUtf8(), {}, "前回", "", false, "", 0 },
        DayCase { "ownEmptiesOverProposal", "\xEF\xBB\xBF[header]\r\nclient=その日\r\n", "[survey]\ntitle=前回", {}, "",
            "その日", true, "", 0 },
        DayCase { "shiftJisPassedOver", "[header]\ntitle=\x8C\x8F\n", "[survey]\ntitle=前回", {}, "前回", "", false,
            "UTF-8", 0 },
        DayCase { "tooLongAndControlLeftEmpty",
            "[header]\ntitle=" + (Long + u'字').toUtf8() + "\nclient=" + Long.toUtf8() + "\nweather=a\tb\n", "", {}, "",
            Long, true, "", 2 },
        DayCase { "otherLinesKeptOneLineEach", "; 手\n[header]\nmemo=手書き\ntitle=旧\n", "",
            SurveyHeader { "国道1号\n上り", "", "", "", "", "北陸電力", "" }, "国道1号 上り", "北陸電力", true, "", 0 },
        DayCase { "undecodableNotWrittenOver", "[header]\ntitle=\x8C\x8F\n", "", Full, "", "", false,
            "を残せませんでした", 0 },
        DayCase { "linkNotWrittenThrough", "@", "", Full, "他", "", true, "調査ヘッダ", 0 }),
    caseName<DayCase>);

} // namespace
