#include "ledger/ledgersettings.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

struct ParseCase {
    const char* name;
    QByteArray content;
    double judgementMm;
    bool refused;
};

class LedgerSettingsParseTest : public testing::TestWithParam<ParseCase> { };

TEST_P(LedgerSettingsParseTest, ReadsTheJudgementLineOrGivesTheDefaultAndWhy)
{
    const ParseCase& c = GetParam();
    QString error;
    EXPECT_DOUBLE_EQ(parseLedgerSettings(c.content, &error).judgementMm, c.judgementMm);
    EXPECT_EQ(error.isEmpty(), !c.refused) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Contents, LedgerSettingsParseTest,
    testing::Values(ParseCase { "as_written", "[ledger]\r\njudgementMm=0.35\r\n", 0.35, false },
        ParseCase { "by_hand", "; judgement line\n[Ledger]\n judgementMm = 1.5 \n", 1.5, false },

        ParseCase { "largest", "[ledger]\njudgementMm=10", 10, false },

        ParseCase { "empty", "", 0.2, true }, ParseCase { "other_section", "[other]\njudgementMm=0.5\n", 0.2, true },
        ParseCase { "not_a_number", "[ledger]\njudgementMm=0.5mm\n", 0.2, true },
        ParseCase { "zero", "[ledger]\njudgementMm=0\n", 0.2, true },
        ParseCase { "too_large", "[ledger]\njudgementMm=10.5\n", 0.2, true },

        ParseCase { "binary", QByteArray("\0\xff\xfe[ledger", 10), 0.2, true }),
    caseName<ParseCase>);

TEST(LedgerSettings, KeptInTheProgramFolderAndReadBack)
{
    QTemporaryDir program;
    QString error;
    // No file yet is no fault.
    EXPECT_DOUBLE_EQ(readLedgerSettings(program.path(), &error).judgementMm, DefaultJudgementMm);
    EXPECT_EQ(error, QString());

    ASSERT_TRUE(writeLedgerSettings(program.path(), { 0.45 }, &error)) << error.toStdString();
    QFile file(QDir(program.path()).filePath("ledger.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[ledger]\r\njudgementMm=0.45\r\n");
    EXPECT_DOUBLE_EQ(readLedgerSettings(program.path(), &error).judgementMm, 0.45);
    EXPECT_EQ(error, QString());

    file.close();
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[ledger]\njudgementMm=");
    file.close();
    EXPECT_DOUBLE_EQ(readLedgerSettings(program.path(), &error).judgementMm, DefaultJudgementMm);
    EXPECT_TRUE(error.contains("ledger.ini")) << error.toStdString();

    EXPECT_FALSE(writeLedgerSettings(program.filePath("missing"), { 0.45 }, &error));
    EXPECT_TRUE(error.contains("ledger.ini")) << error.toStdString();
}

} // namespace
