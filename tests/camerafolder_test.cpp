#include "acquisition/camerafolder.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

class CameraFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* name : { "IMG_1.JPG", "b.jpg", "c.bmp", ".x.jpg" })
            makeFile(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("d.jpg")));
        makeFile(dir.filePath(QStringLiteral("d.jpg/e.jpg")));
    }

    static void makeFile(const QString& path)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    }

    QString watch(const char* pattern) const { return dir.path() + QLatin1Char('/') + QString::fromUtf8(pattern); }

    QTemporaryDir dir;
};

TEST_F(CameraFolderTest, listsPlainVisibleFilesMatchingInAnyCase)
{
    QStringList jpegs = matchingFiles(watch("*.jpg"));
    jpegs.sort();
    EXPECT_EQ(jpegs, QStringList({ QStringLiteral("IMG_1.JPG"), QStringLiteral("b.jpg") }));
    EXPECT_TRUE(jpegs.contains(firstMatchingFile(watch("*.jpg"))));
    EXPECT_EQ(matchingFiles(watch("*.bmp")), QStringList { QStringLiteral("c.bmp") });
    EXPECT_EQ(firstMatchingFile(watch("*.BMP")), "c.bmp");
}

TEST_F(CameraFolderTest, aMalformedPatternListsNothing)
{
    // From inside the folder, a pattern without its folder would otherwise pick up the pictures here.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (const QString& path : { QString(), QStringLiteral("*.jpg"), QStringLiteral("./*.jpg"),
             QStringLiteral("../") + QDir(dir.path()).dirName() + QStringLiteral("/*.jpg"), watch(""),
             watch("missing/*.jpg") }) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(matchingFiles(path), QStringList());
        EXPECT_EQ(firstMatchingFile(path), QString());
        EXPECT_EQ(WatchedFolder(path, dir.path(), {}).usable(), isUsableWatchPath(path));
    }
    EXPECT_FALSE(isUsableWatchPath(QStringLiteral("./*.jpg")));
    EXPECT_FALSE(isUsableWatchPath(watchPatternFor(QString())));
    EXPECT_TRUE(isUsableWatchPath(watch("missing/*.jpg")));
    QDir::setCurrent(previous);
}

TEST_F(CameraFolderTest, watchedFolderDeletesOrSetsAsideOnlyTheNamedPicture)
{
    QTemporaryDir program;
    WatchedFolder folder(watch("*.jpg"), program.path(), QDateTime(QDate(2022, 10, 19), QTime(14, 30, 5)));
    const QString first = folder.firstName({});
    EXPECT_TRUE(first == "b.jpg" || first == "IMG_1.JPG") << first.toStdString();
    const QString second = first == "b.jpg" ? QStringLiteral("IMG_1.JPG") : QStringLiteral("b.jpg");
    EXPECT_EQ(folder.firstName({ first }), second);
    EXPECT_EQ(folder.firstName({ first, second }), QString());
    EXPECT_EQ(folder.pathOf(QStringLiteral("b.jpg")), dir.filePath(QStringLiteral("b.jpg")));

    EXPECT_TRUE(folder.remove(QStringLiteral("b.jpg")));
    EXPECT_FALSE(folder.exists(QStringLiteral("b.jpg")));
    EXPECT_FALSE(folder.remove(QStringLiteral("b.jpg")));
    QString reason;
    EXPECT_TRUE(folder.setAside(QStringLiteral("IMG_1.JPG"), &reason));
    EXPECT_TRUE(QFile::exists(program.filePath(QStringLiteral("未取込/20221019_143005/IMG_1.JPG"))));
    EXPECT_FALSE(folder.setAside(QStringLiteral("IMG_1.JPG"), &reason));
    EXPECT_TRUE(reason.contains(dir.filePath(QStringLiteral("IMG_1.JPG")))) << reason.toStdString();
    EXPECT_EQ(folder.firstName({}), QString());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("c.bmp"))));
}

} // namespace
