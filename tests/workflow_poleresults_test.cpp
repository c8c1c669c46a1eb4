#include "app/workflow/poleresults.h"
#include "fakeservices.h"
#include "results/polenumber.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

void writeFile(const QString& path, const QByteArray& bytes, const QDateTime& modified)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    ASSERT_TRUE(file.flush()); // else the close would make it new again
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

struct OverwriteCase {
    const char* name;
    bool confirm;
    int ageSeconds; // of the file there; -1: none
    bool answer;
    bool asked;
    bool replaced;
};

class OverwriteTest : public ::testing::TestWithParam<OverwriteCase> { };

// 上書確認 with a limit of 60 seconds.
TEST_P(OverwriteTest, asksOnlyBeforeReplacingAFileOlderThanTheLimit)
{
    const OverwriteCase& c = GetParam();
    FakeServices fake;
    fake.okAnswers.push_back(c.answer);
    PoleResults results(fake.services());
    const QString path = resultFilePath(fake.programFolder.path(), fake.clockNow.date(), QStringLiteral("7"));
    if (c.ageSeconds >= 0)
        writeFile(path, "1,0.30\r\n", fake.clockNow.addSecs(-c.ageSeconds));
    const PoleResults::OverwriteCheck check { c.confirm, 60 };
    EXPECT_EQ(results.replacesWithoutAsking(path, check), !c.asked);
    EXPECT_EQ(results.write(QStringLiteral("7"), { QStringLiteral("0.45") }, check), c.replaced);
    EXPECT_EQ(fake.questions.size(), c.asked ? 1 : 0);
    EXPECT_TRUE(fake.errors.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Poles, OverwriteTest,
    ::testing::Values(OverwriteCase { "confirmOff", false, 600, false, false, true },
        OverwriteCase { "noFile", true, -1, false, false, true },
        OverwriteCase { "youngerThanTheLimit", true, 30, false, false, true },
        OverwriteCase { "olderDeclined", true, 600, false, true, false },
        OverwriteCase { "olderAccepted", true, 600, true, true, true }),
    caseName<OverwriteCase>);

void age(const QString& path, const QDateTime& modified)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

// The file the list came back from, still as it was, holds nothing the list does not: no question.
TEST(PoleResults, aResumedFileStillAsItWas_isReplacedWithoutAsking)
{
    FakeServices fake;
    PoleResults results(fake.services());
    const PoleResults::OverwriteCheck confirm { true, 0 };
    const QString path = resultFilePath(fake.programFolder.path(), fake.clockNow.date(), QStringLiteral("7"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    ASSERT_TRUE(writeResultFile(path, { QStringLiteral("0.30"), QStringLiteral("0.35") }));
    age(path, fake.clockNow.addSecs(-600));
    const std::optional<QStringList> rows = results.resume(QStringLiteral("7"));
    ASSERT_TRUE(rows);
    EXPECT_EQ(*rows, (QStringList { QStringLiteral("0.30"), QStringLiteral("0.35") }));
    EXPECT_TRUE(results.write(
        QStringLiteral("7"), { QStringLiteral("0.30"), QStringLiteral("0.35"), QStringLiteral("0.4") }, confirm));
    EXPECT_TRUE(fake.questions.isEmpty());
    age(path, fake.clockNow.addSecs(-600));
    fake.okAnswers.push_back(false);
    EXPECT_FALSE(results.write(QStringLiteral("7"), { QStringLiteral("0.5") }, confirm))
        << "changed since it came back";
    EXPECT_EQ(fake.questions.size(), 1);
}

TEST(PoleResults, theListKeepsTheDayOfItsFirstRowUntilItIsEmpty)
{
    FakeServices fake;
    PoleResults results(fake.services());
    const QDate yesterday = fake.clockNow.date().addDays(-1);
    results.startList(yesterday);
    EXPECT_EQ(results.listDay(), yesterday);
    ASSERT_TRUE(results.write(QStringLiteral("7"), { QStringLiteral("0.30") }, {}));
    EXPECT_TRUE(QFile::exists(resultFilePath(fake.programFolder.path(), yesterday, QStringLiteral("7"))));
    EXPECT_EQ(results.resume(QStringLiteral("7")), std::nullopt) << "only today's rows come back";
    results.endList();
    EXPECT_EQ(results.listDay(), fake.clockNow.date());
}

TEST(PoleResults, aFileThatIsNoResultFile_isKeptAsideOnceAndNotResumed)
{
    FakeServices fake;
    PoleResults results(fake.services());
    const QString path = resultFilePath(fake.programFolder.path(), fake.clockNow.date(), QStringLiteral("7"));
    writeFile(path, "not, a result\r\nfile", fake.clockNow);
    EXPECT_EQ(results.resume(QStringLiteral("7")), std::nullopt);
    EXPECT_EQ(results.resume(QStringLiteral("7")), std::nullopt);
    EXPECT_EQ(fake.errors.size(), 1);
    QFile aside(path + QStringLiteral(".bad"));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), QByteArray("not, a result\r\nfile"));
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".bad.2")));
}

} // namespace
