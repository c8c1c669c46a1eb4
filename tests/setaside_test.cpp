#include "acquisition/setaside.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace norvel;

namespace {

const QDateTime When(QDate(2022, 10, 19), QTime(14, 30, 5));

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

dev_t deviceOf(const QString& path)
{
    struct stat info { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_dev : 0;
}

struct SetAsideCase {
    const char* name;
    bool acrossFileSystems; // the camera folder on /dev/shm
    bool folderNameTaken; // a move in the same second went before
    bool setAsideIsAFile; // "未取込" cannot be made
    QStringList present;
    QStringList asked;
    QStringList moved;
    const char* folder; // below 未取込; empty when nothing moved
};

void PrintTo(const SetAsideCase& c, std::ostream* os)
{
    *os << c.name;
}

class SetAsideTest : public ::testing::TestWithParam<SetAsideCase> { };

// Every shot either arrives whole in a fresh subfolder, or stays where it was, unchanged.
TEST_P(SetAsideTest, movesWholeShotsIntoAFreshSubfolderOrLeavesThem)
{
    const SetAsideCase& c = GetParam();
    QTemporaryDir program;
    QTemporaryDir camera(c.acrossFileSystems ? QStringLiteral("/dev/shm/norvel-XXXXXX") : QString());
    ASSERT_TRUE(camera.isValid());
    if (c.acrossFileSystems && deviceOf(camera.path()) == deviceOf(program.path()))
        GTEST_SKIP() << "/dev/shm is on the same file system here";
    const QString base = program.filePath(SetAsideFolderName);
    if (c.folderNameTaken) {
        ASSERT_TRUE(QDir().mkpath(base + QStringLiteral("/20221019_143005")));
        writeBytes(base + QStringLiteral("/20221019_143005/a.jpg"), "earlier");
    }
    if (c.setAsideIsAFile)
        writeBytes(base, "in the way");
    for (const QString& name : c.present)
        writeBytes(camera.filePath(name), "shot " + name.toUtf8() + QByteArray(3 << 20, 'x'));

    const SetAsideResult result = setAside(program.path(), camera.path(), c.asked, When);

    EXPECT_EQ(result.moved, c.moved);
    const QString folder = *c.folder ? base + QLatin1Char('/') + QString::fromUtf8(c.folder) : QString();
    EXPECT_EQ(result.folder, folder);
    if (!folder.isEmpty()) { // nothing half-written beside the shots
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), c.moved);
    }
    for (const QString& name : c.present) {
        const QByteArray original = "shot " + name.toUtf8() + QByteArray(3 << 20, 'x');
        if (c.moved.contains(name)) {
            EXPECT_FALSE(QFile::exists(camera.filePath(name))) << name.toStdString();
            EXPECT_EQ(contents(folder + QLatin1Char('/') + name), original) << name.toStdString();
        } else {
            EXPECT_EQ(contents(camera.filePath(name)), original) << name.toStdString();
        }
    }
    EXPECT_EQ(result.failed.size(), c.asked.size() - c.moved.size());
    for (const SetAsideFailure& failure : result.failed)
        EXPECT_FALSE(failure.reason.isEmpty()) << failure.name.toStdString();
    if (c.folderNameTaken) {
        EXPECT_EQ(contents(base + QStringLiteral("/20221019_143005/a.jpg")), "earlier");
    }
}

INSTANTIATE_TEST_SUITE_P(Moves, SetAsideTest,
    ::testing::Values(SetAsideCase { "sameFileSystem", false, false, false, { "a.jpg", "b.jpg" }, { "a.jpg", "b.jpg" },
                          { "a.jpg", "b.jpg" }, "20221019_143005" },
        SetAsideCase { "acrossFileSystems", true, false, false, { "a.jpg", "b.jpg" }, { "a.jpg", "b.jpg" },
            { "a.jpg", "b.jpg" }, "20221019_143005" },
        SetAsideCase { "nameTakenInTheSameSecond", false, true, false, { "a.jpg" }, { "a.jpg" }, { "a.jpg" },
            "20221019_143005_2" },
        SetAsideCase { "oneGoneMeanwhile", false, false, false, { "a.jpg" }, { "gone.jpg", "a.jpg" }, { "a.jpg" },
            "20221019_143005" },
        SetAsideCase { "nothingMoved", false, false, false, {}, { "gone.jpg" }, {}, "" },
        SetAsideCase { "setAsideFolderBlocked", false, false, true, { "a.jpg" }, { "a.jpg" }, {}, "" }),
    caseName<SetAsideCase>);

TEST(SetAsideNameTest, namesTheSubfolderByTheSecondAndCountsOn)
{
    EXPECT_EQ(setAsideSubfolderName(When, 1), "20221019_143005");
    EXPECT_EQ(setAsideSubfolderName(When, 2), "20221019_143005_2");
    EXPECT_EQ(setAsideSubfolderName(QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5)), 3), "20230102_030405_3");
}

} // namespace
