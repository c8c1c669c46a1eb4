#include "acquisition/originalcopy.h"

#include "picture/picturefile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fcntl.h>

using namespace norvel;

namespace {

TEST(OriginalCopy, FreeFileNameCountsBeforeTheExtension)
{
    const struct {
        const char* name;
        QSet<QString> taken;
        const char* free;
    } rows[] = {
        { "1_2_IMG_0001.JPG", {}, "1_2_IMG_0001.JPG" },
        { "1_2_IMG_0001.JPG", { "1_2_IMG_0001.JPG" }, "1_2_IMG_0001_2.JPG" },
        { "1_2_IMG_0001.JPG", { "1_2_IMG_0001.JPG", "1_2_IMG_0001_2.JPG" }, "1_2_IMG_0001_3.JPG" },
        { "1_2_a.b.jpg", { "1_2_a.b.jpg" }, "1_2_a.b_2.jpg" },
        { "1_2_shot", { "1_2_shot" }, "1_2_shot_2" },
        { ".hidden", { ".hidden" }, ".hidden_2" },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(freeFileName(QString::fromUtf8(row.name), [&](const QString& n) { return row.taken.contains(n); }),
            QString::fromUtf8(row.free))
            << row.name;
    }
    EXPECT_EQ(originalFileName(QStringLiteral("12"), 3, QStringLiteral("IMG_0001.JPG")), "12_3_IMG_0001.JPG");
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

quint64 inodeOf(const QString& path)
{
    struct stat status { };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? quint64(status.st_ino) : 0;
}

// Whatever way the original is kept, the file kept holds the bytes that were read and decoded, and it stays
// when the camera's name is removed. Beside it on one file system it is the camera's file itself.
TEST(OriginalCopy, KeepsTheBytesThatWereRead)
{
    QTemporaryDir camera;
    QTemporaryDir here;
    // Another file system, where links cannot reach: present on the machines this runs on as a rule.
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/norvel-XXXXXX"));
    const struct {
        const char* name;
        QString folder;
        bool changedSinceRead; // the camera wrote the name again after it was read
        bool linked; // the kept file is the camera's file
    } rows[] = {
        { "sameFileSystem", here.path(), false, true },
        { "changedSinceRead", here.path(), true, false },
        { "otherFileSystem", elsewhere.path(), false, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!elsewhere.isValid() && row.folder == elsewhere.path()) {
            ADD_FAILURE() << "/dev/shm is missing";
            continue;
        }
        const QString shot = camera.filePath(QString::fromLatin1(row.name) + QStringLiteral(".JPG"));
        QFile file(shot);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("camera bytes");
        file.close();
        const std::optional<FileStamp> stamp = regularFileStamp(QFile::encodeName(shot));
        ASSERT_TRUE(stamp);
        const quint64 cameraInode = inodeOf(shot);
        if (row.changedSinceRead) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
            file.write(" and more");
            file.close();
        }
        const QString kept = row.folder + QStringLiteral("/1/原画像/1_1_") + QString::fromLatin1(row.name);
        QString error;
        ASSERT_TRUE(keepOriginal({ QFile::encodeName(shot), "camera bytes", *stamp }, kept, &error))
            << error.toStdString();
        EXPECT_EQ(inodeOf(kept) == cameraInode, row.linked);
        ASSERT_TRUE(QFile::remove(shot));
        EXPECT_EQ(contents(kept), "camera bytes");
    }
}

// What cannot be kept says which file, and leaves no name behind that a later shot would step around.
TEST(OriginalCopy, AFailureNamesTheFile)
{
    QTemporaryDir camera;
    QTemporaryDir here;
    const QString shot = camera.filePath(QStringLiteral("IMG_0001.JPG"));
    QFile file(shot);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("camera bytes");
    file.close();
    const CameraOriginal original { QFile::encodeName(shot), "camera bytes",
        *regularFileStamp(QFile::encodeName(shot)) };
    QFile blocker(here.filePath(QStringLiteral("原画像")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    EXPECT_FALSE(keepOriginal(original, here.filePath(QStringLiteral("原画像/1_1_IMG_0001.JPG")), &error));
    EXPECT_TRUE(error.contains(here.filePath(QStringLiteral("原画像")))) << error.toStdString();
    // An existing name is never replaced by a link.
    const QString taken = here.filePath(QStringLiteral("taken.JPG"));
    ASSERT_TRUE(QFile::copy(here.filePath(QStringLiteral("原画像")), taken));
    EXPECT_FALSE(keepOriginal(original, taken, &error));
    EXPECT_TRUE(error.contains(taken)) << error.toStdString();
    EXPECT_EQ(contents(taken), "");
}

// Whenever the camera writes the shot's name again, the original holds the bytes read, and the name is let go only
// while it holds them too.
TEST(OriginalCopy, AShotWrittenAgainIsNeitherKeptNorLost)
{
    enum When { Never, Before, BeforeTimePutBack, InPlaceAfter, AnewAfter }; // with whether the original is linked
    const std::pair<When, bool> rows[] = { { Never, true }, { Before, false }, { BeforeTimePutBack, false },
        { InPlaceAfter, true }, { AnewAfter, true } };
    QTemporaryDir folder;
    for (const auto& [when, linked] : rows) {
        const QByteArray shot = QFile::encodeName(folder.filePath(QString::number(when)));
        const timespec written[2] = { { 0, UTIME_OMIT }, { ::time(nullptr) - 2, 0 } }; // a while before it is read
        const auto write = [&](const char* bytes, bool anew, bool timePutBack) {
            ASSERT_TRUE((!anew || ::unlink(shot.constData()) == 0) && writeWholeFile(shot, bytes)
                && (!timePutBack || ::utimensat(AT_FDCWD, shot.constData(), written, 0) == 0));
        };
        write("first shot", false, true);
        const CameraOriginal original { shot, "first shot", *regularFileStamp(shot) };
        if (when == Before || when == BeforeTimePutBack)
            write("later shot", false, when == BeforeTimePutBack);
        const QString kept = folder.filePath(QStringLiteral("原画像/") + QString::number(when));
        KeptOriginal how;
        QString error;
        EXPECT_TRUE(keepOriginal(original, kept, &error, &how) && how.linked == linked) << when;
        if (when >= InPlaceAfter)
            write("later shot", when == AnewAfter, false);
        EXPECT_EQ(cameraFileUnchanged(original, how.stamp), when == Never) << when;
        EXPECT_TRUE(keepOriginalApart(original, kept, how, &error) && readWholeFile(kept) == "first shot") << when;
    }
}

// A long pole and camera name still make a name the file system takes, with "_999" added too: the camera's part is
// cut before its extension, on a character boundary.
TEST(OriginalCopy, ALongNameIsShortenedToFit)
{
    const QString kana(64, QChar(0x30AB)); // 192 bytes, and "_3_" 195
    const QString emoji = QString(40, QChar(0x3042)) + QString::fromUtf8("\xF0\x9F\x93\xB7").repeated(20);
    const QString rows[][2] = { { "IMG_0001.JPG", "IMG_0001.JPG" },
        { QString(70, QLatin1Char('I')) + ".JPG", QString(52, QLatin1Char('I')) + ".JPG" }, { emoji, emoji.left(18) },
        { "I." + QString(300, QLatin1Char('x')), "I." + QString(54, QLatin1Char('x')) } }; // and the part kept
    for (const auto& [camera, kept] : rows)
        EXPECT_EQ(originalFileName(kana, 3, camera), kana + QStringLiteral("_3_") + kept);
}

} // namespace
