#include "acquisition/camerafolder.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace norvel;

namespace {

const QString Acquisition = QStringLiteral("C:/Documents and Settings/All Users/Application Data/Microsoft/WIA/");

TEST(WatchPatternTest, followsTheKindOfFolderChosen)
{
    const struct {
        const char* chosen;
        QString pattern;
    } rows[] = {
        { "/media/me/Pictures/Camera Roll", QStringLiteral("/media/me/Pictures/Camera Roll/*.jpg") },
        { "/media/me/Pictures/Camera Roll/", QStringLiteral("/media/me/Pictures/Camera Roll/*.jpg") },
        { "/media/me/scans", QStringLiteral("/media/me/scans/*.bmp") },
        { "/media/me/camera roll", QStringLiteral("/media/me/camera roll/*.bmp") },
        { "/", QStringLiteral("/*.bmp") },
        { "", QStringLiteral("*.bmp") }, // not the root folder
        { "shots", QStringLiteral("shots/*.bmp") },
        { ";;X:{AB}Z", Acquisition + QStringLiteral("{AB}/*.jpg") },
        { ";;A:{B}:{CD}Z", Acquisition + QStringLiteral("{CD}/*.jpg") }, // the last brace counts
        { ";;ABC", Acquisition + QStringLiteral(";;AB/*.jpg") },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.chosen);
        EXPECT_EQ(watchPatternFor(QString::fromUtf8(row.chosen)), row.pattern);
    }
}

TEST(WatchPatternTest, splitsAtTheLastSlash)
{
    const struct {
        const char* path;
        const char* folder;
        const char* pattern;
    } rows[] = {
        { "/a/b/*.jpg", "/a/b/", "*.jpg" },
        { "/*.bmp", "/", "*.bmp" },
        { "/a/b/", "/a/b/", "" },
        { "*.jpg", "", "*.jpg" },
        { "", "", "" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const WatchLocation where = splitWatchPath(QString::fromUtf8(row.path));
        EXPECT_EQ(where.folder, row.folder);
        EXPECT_EQ(where.pattern, row.pattern);
    }
}

// A camera folder with everything a stranger could put there beside the pictures.
class CameraFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* name : { "IMG_1.JPG", "b.jpg", "c.bmp", ".x.jpg", "caf\xe9.jpg" })
            makeFile(path(name));
        ASSERT_EQ(::mkdir(path("d.jpg").constData(), 0755), 0);
        makeFile(path("d.jpg/e.jpg"));
        ASSERT_EQ(::mkfifo(path("fifo.jpg").constData(), 0644), 0);
        for (const auto& [link, target] : { std::pair { "zero.jpg", "/dev/zero" }, { "folder.jpg", "d.jpg" },
                 { "dangling.jpg", "gone" }, { "link.jpg", "b.jpg" } })
            ASSERT_EQ(::symlink(target, path(link).constData()), 0) << link;
    }

    QByteArray path(const char* name) const { return QFile::encodeName(dir.path()) + '/' + name; }
    static void makeFile(const QByteArray& path)
    {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0) << path.toStdString();
        ASSERT_EQ(::write(fd, path.constData(), static_cast<std::size_t>(path.size())), path.size());
        ::close(fd);
    }
    QString watch(const char* pattern) const { return dir.path() + QLatin1Char('/') + QString::fromUtf8(pattern); }
    static FileNames sorted(FileNames names)
    {
        std::sort(names.begin(), names.end());
        return names;
    }

    QTemporaryDir dir;
};

// Only what is a plain file in the end is listed: a FIFO would block the reader, a link to a device would
// feed it for ever. A name that is not UTF-8 is listed as its bytes.
TEST_F(CameraFolderTest, listsPlainVisibleFilesMatchingInAnyCase)
{
    const FileNames jpegs = sorted(matchingFiles(watch("*.jpg")));
    EXPECT_EQ(jpegs, (FileNames { "IMG_1.JPG", "b.jpg", "caf\xe9.jpg", "link.jpg" }));
    // The next shot is the one whose name sorts first, whatever order the folder keeps them in.
    EXPECT_EQ(firstMatchingFile(watch("*.jpg")), "IMG_1.JPG");
    EXPECT_EQ(firstMatchingFile(watch("*.jpg"), { "IMG_1.JPG" }), "b.jpg");
    EXPECT_EQ(matchingFiles(watch("*.bmp")), FileNames { "c.bmp" });
    EXPECT_EQ(firstMatchingFile(watch("*.BMP")), "c.bmp");
}

TEST_F(CameraFolderTest, aMalformedPatternListsNothing)
{
    // From inside the folder, a pattern without its folder would otherwise pick up the pictures here.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (const QString& pattern : { QString(), QStringLiteral("*.jpg"), QStringLiteral("./*.jpg"),
             QStringLiteral("../") + QDir(dir.path()).dirName() + QStringLiteral("/*.jpg"), watch(""),
             watch("missing/*.jpg"), watch("[b.jpg"), watch("*.[jpg") }) {
        SCOPED_TRACE(pattern.toStdString());
        EXPECT_EQ(matchingFiles(pattern), FileNames());
        EXPECT_EQ(firstMatchingFile(pattern), QByteArray());
        EXPECT_EQ(WatchedFolder(pattern, dir.path(), {}).usable(), isUsableWatchPath(pattern));
    }
    EXPECT_FALSE(isUsableWatchPath(QStringLiteral("./*.jpg")));
    EXPECT_FALSE(isUsableWatchPath(watch("[b.jpg")));
    EXPECT_FALSE(isUsableWatchPath(watchPatternFor(QString())));
    EXPECT_TRUE(isUsableWatchPath(watch("missing/*.jpg")));
    EXPECT_TRUE(isUsableWatchPath(watch("[bc].jpg")));
    QDir::setCurrent(previous);
}

TEST_F(CameraFolderTest, watchedFolderDeletesOrSetsAsideOnlyTheNamedPicture)
{
    QTemporaryDir program;
    WatchedFolder folder(watch("*.jpg"), program.path(), QDateTime(QDate(2022, 10, 19), QTime(14, 30, 5)));
    const QSet<QByteArray> others { "IMG_1.JPG", "caf\xe9.jpg", "link.jpg" };
    EXPECT_EQ(folder.firstName(others), "b.jpg");
    EXPECT_EQ(folder.firstName(others + QSet<QByteArray> { "b.jpg" }), QByteArray());
    EXPECT_EQ(folder.pathOf("b.jpg"), path("b.jpg"));

    // A link goes as the link; what it points at stays.
    EXPECT_TRUE(folder.remove("link.jpg"));
    EXPECT_FALSE(folder.exists("link.jpg"));
    EXPECT_FALSE(folder.remove("link.jpg"));
    EXPECT_TRUE(folder.exists("b.jpg"));
    QString reason;
    EXPECT_TRUE(folder.setAside("caf\xe9.jpg", &reason)) << reason.toStdString();
    const QByteArray moved = QFile::encodeName(program.path()) + "/" + QFile::encodeName(QStringLiteral("未取込"))
        + "/20221019_143005/caf\xe9.jpg";
    struct stat info { };
    EXPECT_EQ(::stat(moved.constData(), &info), 0);
    EXPECT_FALSE(folder.setAside("caf\xe9.jpg", &reason));
    EXPECT_TRUE(reason.contains(QFile::decodeName(path("caf\xe9.jpg")))) << reason.toStdString();
    EXPECT_EQ(sorted(matchingFiles(watch("*.jpg"))), (FileNames { "IMG_1.JPG", "b.jpg" }));
    EXPECT_TRUE(folder.exists("zero.jpg"));
}

} // namespace
