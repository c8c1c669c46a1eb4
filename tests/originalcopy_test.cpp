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

// A camera may write a shot's name again at any time, in place or as a new file: the kept original always holds
// the bytes that were read, and the camera's name is let go only while it holds them too.
TEST(OriginalCopy, AShotWrittenAgainIsNeitherKeptNorLost)
{
    enum When { Never, Before, BeforeTimePutBack, InPlaceAfter, AnewAfter }; // the camera writes the name again
    const std::pair<When, bool> rows[] = { { Never, true }, { Before, false }, { BeforeTimePutBack, false },
        { InPlaceAfter, true }, { AnewAfter, true } }; // and whether the original is the camera's file
    QTemporaryDir folder;
    for (const auto& [when, linked] : rows) {
        SCOPED_TRACE(when);
        const QByteArray shot = QFile::encodeName(folder.filePath(QString::number(when)));
        ASSERT_TRUE(writeWholeFile(shot, "first shot"));
        // Written a while before it is read, as a camera's shot is: a later write moves its time.
        const timespec written[2] = { { 0, UTIME_OMIT }, { ::time(nullptr) - 2, 0 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, shot.constData(), written, 0), 0);
        const CameraOriginal original { shot, "first shot", *regularFileStamp(shot) };
        const auto writeAgain = [&] {
            ASSERT_TRUE((when != AnewAfter || ::unlink(shot.constData()) == 0) && writeWholeFile(shot, "later shot"));
            ASSERT_TRUE(when != BeforeTimePutBack || ::utimensat(AT_FDCWD, shot.constData(), written, 0) == 0);
        };
        if (when == Before || when == BeforeTimePutBack)
            writeAgain();
        const QString kept = folder.filePath(QStringLiteral("原画像/1_1_") + QString::number(when));
        KeptOriginal how;
        QString error;
        ASSERT_TRUE(keepOriginal(original, kept, &error, &how)) << error.toStdString();
        EXPECT_EQ(how.linked, linked);
        if (when == InPlaceAfter || when == AnewAfter)
            writeAgain();
        EXPECT_EQ(cameraFileUnchanged(original, how.stamp), when == Never);
        ASSERT_TRUE(keepOriginalApart(original, kept, how, &error)) << error.toStdString();
        EXPECT_EQ(readWholeFile(kept), "first shot");
        EXPECT_EQ(readWholeFile(QFile::decodeName(shot)), when == Never ? "first shot" : "later shot");
    }
}

// Nothing is written through a link at the original's folder or name: it may lead out of the program's folder.
TEST(OriginalCopy, NeverWritesThroughALink)
{
    QTemporaryDir here;
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/norvel-XXXXXX")); // on another file system the bytes are written
    const QByteArray shot = QFile::encodeName(here.filePath(QStringLiteral("IMG_1.JPG")));
    ASSERT_TRUE(writeWholeFile(shot, "camera bytes") && writeWholeFile(elsewhere.filePath("theirs"), "theirs"));
    const CameraOriginal original { shot, "camera bytes", *regularFileStamp(shot) };
    const QString rows[][2] = { { "a/原画像", "" }, { "b/原画像/1_1_IMG_1.JPG", "/nothing" },
        { "c/原画像/1_1_IMG_1.JPG", "/theirs" }, { "d/原画像/1_1_IMG_1.JPG", "" } }; // the link, and its end
    for (const auto& [link, end] : rows) {
        SCOPED_TRACE(link.toStdString());
        const QString at = here.filePath(link);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(at).path()) && QFile::link(elsewhere.path() + end, at));
        const QString kept = link.endsWith(QStringLiteral(".JPG")) ? at : at + QStringLiteral("/1_1_IMG_1.JPG");
        QString error;
        EXPECT_FALSE(keepOriginal(original, kept, &error));
        EXPECT_TRUE(error.contains(at) && error.contains(QStringLiteral("はリンクのため"))) << error.toStdString();
        EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files), QStringList { "theirs" });
        EXPECT_EQ(readWholeFile(elsewhere.filePath("theirs")), "theirs");
    }
}

// A long pole and a long camera name still make an original's name a file system takes, "_2" added too: the
// camera's part is cut before its extension, never inside a character.
TEST(OriginalCopy, ALongNameIsShortenedToFit)
{
    const QString kana = QString(64, QChar(0x30AB)); // 64 kana, 192 bytes
    const QString longCamera = QString(70, QLatin1Char('I')) + QStringLiteral(".JPG"); // 74 bytes
    const QString emoji = QString(40, QChar(0x3042)) + QString::fromUtf8("\xF0\x9F\x93\xB7").repeated(20);
    const struct {
        QString pole, camera, expected; // expected: the camera's part kept, when it is not cut
    } rows[] = { { "12", "IMG_0001.JPG", "IMG_0001.JPG" }, { kana, longCamera, QString(52, QLatin1Char('I')) + ".JPG" },
        { "1", QString(300, QLatin1Char('x')) + ".bmp", QString(243, QLatin1Char('x')) + ".bmp" },
        { "1", "IMG." + QString(300, QLatin1Char('x')), QString(247, QLatin1Char('x')).prepend("IMG.").left(247) },
        { kana, emoji, emoji.left(18) } };
    QTemporaryDir folder;
    const QByteArray shot = QFile::encodeName(folder.filePath(QStringLiteral("shot")));
    ASSERT_TRUE(writeWholeFile(shot, "camera bytes"));
    const CameraOriginal original { shot, "camera bytes", *regularFileStamp(shot) };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.camera.toStdString());
        const QString name = originalFileName(row.pole, 3, row.camera);
        EXPECT_EQ(name, row.pole + QStringLiteral("_3_") + row.expected);
        const QString taken = folder.filePath(name);
        const QString second = folder.filePath(freeFileName(name, [&](const QString& n) { return n == name; }));
        QString error;
        EXPECT_TRUE(keepOriginal(original, taken, &error) && keepOriginal(original, second, &error))
            << error.toStdString();
    }
}

} // namespace
