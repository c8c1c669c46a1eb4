#include "acquisition/camerafolder.h"
#include "acquisition/setaside.h"
#include "failingcalls.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace norvel;

namespace {

const QDateTime When(QDate(2022, 10, 19), QTime(14, 30, 5));

QByteArray contents(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return "(unreadable)";
    QByteArray data;
    char buffer[65536];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        data.append(buffer, got);
    ::close(fd);
    return data;
}

bool isLinkTo(const QByteArray& path, const QByteArray& target)
{
    char buffer[4096];
    const ssize_t length = ::readlink(path.constData(), buffer, sizeof buffer);
    return length >= 0 && QByteArray(buffer, length) == target;
}

qsizetype entryCount(const QByteArray& folder)
{
    DIR* dir = ::opendir(folder.constData());
    qsizetype count = 0;
    while (const dirent* entry = dir ? ::readdir(dir) : nullptr)
        count += std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0;
    if (dir)
        ::closedir(dir);
    return count;
}

dev_t deviceOf(const QString& path)
{
    struct stat info { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_dev : 0;
}

QByteArray shot(const QByteArray& name)
{
    return "shot " + name + QByteArray(3 << 20, 'x');
}

struct SetAsideCase {
    const char* name;
    bool acrossFileSystems; // the camera folder on /dev/shm
    bool folderNameTaken; // a move in the same second went before
    bool setAsideIsAFile; // "未取込" cannot be made
    FileNames present;
    FileNames asked;
    FileNames moved;
    const char* folder; // below 未取込; empty when nothing moved
    bool folderSyncFails = false; // the new subfolder cannot be synced to disk
};

void PrintTo(const SetAsideCase& c, std::ostream* os)
{
    *os << c.name;
}

class SetAsideTest : public ::testing::TestWithParam<SetAsideCase> { };

// Every shot either arrives whole in a fresh subfolder, or stays where it was, unchanged. A name starting
// "link" is a link to a picture elsewhere, and moves as the link.
TEST_P(SetAsideTest, movesWholeShotsIntoAFreshSubfolderOrLeavesThem)
{
    const SetAsideCase& c = GetParam();
    QTemporaryDir program;
    QTemporaryDir elsewhere;
    QTemporaryDir camera(c.acrossFileSystems ? QStringLiteral("/dev/shm/norvel-XXXXXX") : QString());
    ASSERT_TRUE(camera.isValid());
    if (c.acrossFileSystems && deviceOf(camera.path()) == deviceOf(program.path()))
        GTEST_SKIP() << "/dev/shm is on the same file system here";
    const QByteArray from = QFile::encodeName(camera.path()) + '/';
    const QString base = program.filePath(SetAsideFolderName);
    if (c.folderNameTaken) {
        ASSERT_TRUE(QDir().mkpath(base + QStringLiteral("/20221019_143005")));
        writeWholeFile(QFile::encodeName(base) + "/20221019_143005/a.jpg", "earlier");
    }
    if (c.setAsideIsAFile)
        writeWholeFile(QFile::encodeName(base), "in the way");
    const QByteArray target = QFile::encodeName(elsewhere.path()) + "/target.jpg";
    writeWholeFile(target, "not the camera's");
    for (const QByteArray& name : c.present) {
        if (name.startsWith("link"))
            ASSERT_EQ(::symlink(target.constData(), (from + name).constData()), 0);
        else
            writeWholeFile(from + name, shot(name));
    }

    const failing::Failing syncs(failing::folderSyncError, c.folderSyncFails ? EIO : 0);
    const SetAsideResult result = setAside(program.path(), camera.path(), c.asked, When);

    EXPECT_EQ(result.moved, c.moved);
    const QString folder = *c.folder ? base + QLatin1Char('/') + QString::fromUtf8(c.folder) : QString();
    EXPECT_EQ(result.folder, folder);
    if (!folder.isEmpty()) { // nothing half-written beside the shots
        EXPECT_EQ(entryCount(QFile::encodeName(folder)), c.moved.size());
    }
    const QByteArray to = QFile::encodeName(folder) + '/';
    for (const QByteArray& name : c.present) {
        const bool moved = c.moved.contains(name);
        struct stat info { };
        EXPECT_EQ(::lstat((from + name).constData(), &info) == 0, !moved) << name.toStdString();
        const QByteArray now = (moved ? to : from) + name;
        if (name.startsWith("link"))
            EXPECT_TRUE(isLinkTo(now, target)) << name.toStdString();
        else
            EXPECT_EQ(contents(now), shot(name)) << name.toStdString();
    }
    EXPECT_EQ(contents(target), "not the camera's");
    EXPECT_EQ(result.failed.size(), c.asked.size() - c.moved.size());
    for (const SetAsideFailure& failure : result.failed) {
        EXPECT_FALSE(failure.reason.isEmpty()) << failure.name.toStdString();
        if (c.folderSyncFails) {
            EXPECT_TRUE(failure.reason.contains(qt_error_string(EIO))) << failure.reason.toStdString();
        }
    }
    if (c.folderSyncFails) { // no subfolder the shots never reached
        EXPECT_EQ(entryCount(QFile::encodeName(base)), c.folderNameTaken ? 1 : 0);
    }
    if (c.folderNameTaken) {
        EXPECT_EQ(contents(QFile::encodeName(base) + "/20221019_143005/a.jpg"), "earlier");
    }
}

INSTANTIATE_TEST_SUITE_P(Moves, SetAsideTest,
    ::testing::Values(
        SetAsideCase { "sameFileSystem", false, false, false, { "a.jpg", "link.jpg", "caf\xe9.jpg" },
            { "a.jpg", "link.jpg", "caf\xe9.jpg" }, { "a.jpg", "link.jpg", "caf\xe9.jpg" }, "20221019_143005" },
        SetAsideCase { "acrossFileSystems", true, false, false, { "a.jpg", "link.jpg", "caf\xe9.jpg" },
            { "a.jpg", "link.jpg", "caf\xe9.jpg" }, { "a.jpg", "link.jpg", "caf\xe9.jpg" }, "20221019_143005" },
        SetAsideCase { "nameTakenInTheSameSecond", false, true, false, { "a.jpg" }, { "a.jpg" }, { "a.jpg" },
            "20221019_143005_2" },
        SetAsideCase { "oneGoneMeanwhile", false, false, false, { "a.jpg" }, { "gone.jpg", "a.jpg" }, { "a.jpg" },
            "20221019_143005" },
        SetAsideCase { "nothingMoved", false, false, false, {}, { "gone.jpg" }, {}, "" },
        SetAsideCase { "setAsideFolderBlocked", false, false, true, { "a.jpg" }, { "a.jpg" }, {}, "" },
        SetAsideCase {
            "subfolderNotOnDisk", false, false, false, { "a.jpg", "link.jpg" }, { "a.jpg", "link.jpg" }, {}, "", true },
        SetAsideCase {
            "subfolderNotOnDiskBesideAnEarlier", false, true, false, { "a.jpg" }, { "a.jpg" }, {}, "", true }),
    caseName<SetAsideCase>);

TEST(SetAsideNameTest, namesTheSubfolderByTheSecondAndCountsOn)
{
    EXPECT_EQ(setAsideSubfolderName(When, 1), "20221019_143005");
    EXPECT_EQ(setAsideSubfolderName(When, 2), "20221019_143005_2");
    EXPECT_EQ(setAsideSubfolderName(QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5)), 3), "20230102_030405_3");
}

} // namespace
