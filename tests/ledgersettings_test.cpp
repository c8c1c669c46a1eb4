#include "settings/ledgersettings.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace norvel;

namespace {

struct ParseCase {
    const char* name;
    QByteArray content;
    double judgementMm;
    bool refused;
    const char* reason = ""; // a part of the reason given
};

class LedgerSettingsParseTest : public testing::TestWithParam<ParseCase> { };

TEST_P(LedgerSettingsParseTest, ReadsTheJudgementLineOrGivesTheDefaultAndWhy)
{
    const ParseCase& c = GetParam();
    QString error;
    EXPECT_DOUBLE_EQ(parseLedgerSettings(c.content, &error).judgementMm, c.judgementMm);
    EXPECT_EQ(error.isEmpty(), !c.refused) << error.toStdString();
    EXPECT_TRUE(error.contains(QString::fromUtf8(c.reason))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Contents, LedgerSettingsParseTest,
    testing::Values(ParseCase { "as_written", "[ledger]\r\njudgementMm=0.35\r\n", 0.35, false },
        ParseCase { "by_hand", "; judgement line\n[Ledger]\n judgementMm = 1.5 \n", 1.5, false },

        ParseCase { "largest", "[ledger]\njudgementMm=10", 10, false },

        ParseCase { "empty", "", 0.2, true, "がありません" },
        ParseCase { "other_section", "[other]\njudgementMm=0.5\n", 0.2, true, "がありません" },
        // A value that is there but no number is not reported as missing: the line and the text are named.
        ParseCase { "not_a_number", "[ledger]\njudgementMm=0.5mm\n", 0.2, true,
            "2 行目の判定線 (judgementMm) の値「0.5mm」を数として読めません" },
        ParseCase { "letters", "; set by hand\r\n[ledger]\r\njudgementMm=abc\r\n", 0.2, true,
            "3 行目の判定線 (judgementMm) の値「abc」を数として読めません" },
        ParseCase { "empty_value", "[ledger]\njudgementMm=", 0.2, true, "値「」を数として読めません" },
        ParseCase { "zero", "[ledger]\njudgementMm=0\n", 0.2, true, "2 行目の判定線 0mm は範囲外です" },
        ParseCase { "too_large", "[ledger]\njudgementMm=10.5\n", 0.2, true, "範囲外です（0.01〜10.00mm）" },

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

struct HostileSettingsCase {
    const char* name;
    const char* reason;
};

void PrintTo(const HostileSettingsCase& c, std::ostream* os)
{
    *os << c.name;
}

class LedgerSettingsFileTest : public testing::TestWithParam<HostileSettingsCase> { };

// ledger.ini as something else than a small file: refused at once with the reason, the default line kept.
TEST_P(LedgerSettingsFileTest, RefusesWhatIsNoSmallFileWithoutHanging)
{
    QTemporaryDir program;
    const QString path = QDir(program.path()).filePath("ledger.ini");
    const QByteArray name = QFile::encodeName(path);
    const QByteArray kind = GetParam().name;
    if (kind == "dev_zero")
        ASSERT_EQ(::symlink("/dev/zero", name.constData()), 0);
    else if (kind == "fifo")
        ASSERT_EQ(::mkfifo(name.constData(), 0644), 0);
    else if (kind == "folder")
        ASSERT_TRUE(QDir().mkpath(path));
    else {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[ledger]\njudgementMm=0.35\n" + QByteArray(LedgerSettingsFileLimitBytes, ';'));
    }
    QString error;
    EXPECT_DOUBLE_EQ(readLedgerSettings(program.path(), &error).judgementMm, DefaultJudgementMm);
    EXPECT_TRUE(error.contains("ledger.ini")) << error.toStdString();
    EXPECT_TRUE(error.contains(QString::fromUtf8(GetParam().reason))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, LedgerSettingsFileTest,
    testing::Values(HostileSettingsCase { "dev_zero", "普通のファイルではありません" },
        HostileSettingsCase { "fifo", "普通のファイルではありません" },
        HostileSettingsCase { "folder", "フォルダです" }, HostileSettingsCase { "oversized", "上限" }),
    caseName<HostileSettingsCase>);

} // namespace
