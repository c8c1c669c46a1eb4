#include "results/polenumber.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace norvel;

namespace {

struct StepCase {
    const char* name;
    const char* text;
    int step;
    const char* stepped;
};

class SteppedPoleNumberTest : public testing::TestWithParam<StepCase> { };

TEST_P(SteppedPoleNumberTest, StepsTheNumberAfterThePrefix)
{
    const StepCase& c = GetParam();
    EXPECT_EQ(steppedPoleNumber(QString::fromUtf8(c.text), c.step), QString::fromUtf8(c.stepped));
}

INSTANTIATE_TEST_SUITE_P(PoleNumbers, SteppedPoleNumberTest,
    testing::Values(StepCase { "one_up", "1", 1, "2" }, StepCase { "one_down", "1", -1, "0" },
        StepCase { "zero_down", "0", -1, "-1" }, StepCase { "empty_up", "", 1, "1" },
        StepCase { "letter_counts_zero", "a", 1, "1" }, StepCase { "carry", "9", 1, "10" },
        StepCase { "two_digits_down", "12", -1, "11" }, StepCase { "prefix_carry", "A9", 1, "A10" },
        StepCase { "suffix_dropped", "No5b", 1, "No6" }, StepCase { "blank_and_suffix", "P 7x", 1, "P 8" },
        StepCase { "minus_is_prefix", "-1", 1, "-2" }, StepCase { "minus_prefix_down", "-1", -1, "-0" },
        StepCase { "no_digit_kept", "AB", 1, "AB" }, StepCase { "no_digit_kept_down", "調査", -1, "調査" },
        StepCase { "fraction", "A2.5", 1, "A3.5" },
        // Binary 0.1 + 1 must not show as 1.1000000000000001.
        StepCase { "tenth", "A0.1", 1, "A1.1" },
        StepCase { "fifteen_digits", "No123456789012344", 1, "No123456789012345" },
        StepCase { "sixteen_digits_carry", "999999999999999", 1, "1000000000000000" },
        StepCase { "sixteen_digits_borrow", "1000000000000000", -1, "999999999999999" },
        StepCase { "twenty_digits_carry", "A99999999999999999999", 1, "A100000000000000000000" },
        StepCase { "beyond_double_precision", "No9007199254740993", 1, "No9007199254740994" },
        StepCase { "long_fraction_kept", "A0.12345678901234567890123", 1, "A1.12345678901234567890123" },
        StepCase { "fraction_down", "A2.5", -1, "A1.5" }, StepCase { "fraction_below_zero", "0.5", -1, "-0.5" },
        StepCase { "fraction_complement", "A0.25", -1, "A-0.75" },
        StepCase { "long_fraction_below_zero", "P0.000000000000000000001", -1, "P-0.999999999999999999999" },
        StepCase { "fraction_to_zero_whole", "A1.5", -1, "A0.5" },
        StepCase { "zero_fraction_dropped", "A1.0", -1, "A0" }, StepCase { "trailing_zeros_dropped", "1.50", 1, "2.5" },
        StepCase { "leading_zeros_dropped", "007", 1, "8" }, StepCase { "leading_zeros_down", "A0010", -1, "A9" },
        StepCase { "point_last", "A2.", 1, "A3" }, StepCase { "second_point_dropped", "A2.5.1", 1, "A3.5" },
        StepCase { "digit_alone_down", "0", -1, "-1" }, StepCase { "point_alone", ".", -1, "-1" },
        // An E is no exponent here: it ends the number like any other letter.
        StepCase { "no_exponent", "No5e3", 1, "No6" }, StepCase { "no_exponent_upper", "12E1", 1, "13" }),
    caseName<StepCase>);

// Hidden folders are passed over by whoever lists the day, and a name past the file system's limit can be
// neither filed nor written.
TEST(PoleNumber, FolderNamesRefuseWhatWouldLeaveOrHideThePoleFolder)
{
    for (const QString& pole : { QString(), QString("12"), QString("A-3"), QString("No.5"), QString("調査1"),
             QString("5."), QString(PoleNumberMaxLength, u'9'), QString(PoleNumberMaxLength, u'シ') })
        EXPECT_TRUE(isUsablePoleNumber(pole)) << pole.toStdString();
    for (const QString& pole :
        { QString("."), QString(".."), QString("..5"), QString("..."), QString(".5"), QString("a/b"), QString("/"),
            QString("a\\b"), QString("1\t"), QString("1\n2"), QString("\x01"), QString("A\x7f"), QString(QChar(0)),
            QString(PoleNumberMaxLength + 1, u'9'), QString(PoleNumberMaxLength + 1, u'シ') }) {
        EXPECT_FALSE(isUsablePoleNumber(pole)) << pole.toStdString();
        EXPECT_FALSE(poleNumberProblem(pole).isEmpty());
    }
}

TEST(PoleNumber, WritingReplacesTheOldFile)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("No12CP.csv");
    ASSERT_TRUE(writeResultFile(path, { "0.35", "0.40", "0.45" }));
    ASSERT_TRUE(writeResultFile(path, { "0.20" }));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "1,0.20\r\n");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList { "No12CP.csv" });
}

TEST(PoleNumber, FailedWriteNamesTheFile)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // The caller makes the pole folder; a missing one must fail, not be made or written elsewhere.
    const QString missing = folder.filePath("12/No12CP.csv");
    QString error;
    EXPECT_FALSE(writeResultFile(missing, { "0.35" }, &error));
    EXPECT_TRUE(error.contains(missing)) << error.toStdString();
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST(PoleNumber, ReadOnlyFolderKeepsTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("No12CP.csv");
    ASSERT_TRUE(writeResultFile(path, { "0.35" }));
    const auto writable = QFile::permissions(folder.path());
    ASSERT_TRUE(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));

    QString error;
    const bool written = writeResultFile(path, { "0.99", "0.98" }, &error);
    QFile file(path);
    const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
    QFile::setPermissions(folder.path(), writable);

    EXPECT_FALSE(written);
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(content, "1,0.35\r\n");
}

TEST(PoleNumber, FileAgeKeepsFractionsAndSign)
{
    const QDateTime now(QDate(2022, 10, 19), QTime(14, 30, 0));
    EXPECT_EQ(fileAgeSeconds(now.addSecs(-20), now), 20.0);
    EXPECT_EQ(fileAgeSeconds(now.addMSecs(-1500), now), 1.5);
    EXPECT_EQ(fileAgeSeconds(now.addMSecs(2250), now), -2.25);
}

} // namespace
