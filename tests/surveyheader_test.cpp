#include "files/inifile.h"
#include "settings/surveyheader.h"
#include "testsupport.h"

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
    "顕微鏡 KM-100" };

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
            { { "", "", "", "曇り", "" }, LedgerForm::ThreePerPage, "" } },
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
            { { "国道1号\n上り線", "山田\r\n\r\n太郎", "北陸\u2028コンクリート", "晴れ\n", "\r\n顕微鏡" },
                LedgerForm::ThreePerPage, "/mnt/過去\nの調査" },
            { { "国道1号 上り線", "山田 太郎", "北陸 コンクリート", "晴れ", "顕微鏡" }, LedgerForm::ThreePerPage,
                "/mnt/過去 の調査" } },
        RoundTripCase { "emptiedTextsAndThreeReplaceTheOld",
            "[survey]\r\ntitle=旧件名\r\nweather=雨\r\nform=6\r\npast=/old\r\n[judgement]\r\nlongitudinal=0.25\r\n",
            { { "", "", "", "", "" }, LedgerForm::ThreePerPage, "" }, {} }),
    caseName<RoundTripCase>);

} // namespace
