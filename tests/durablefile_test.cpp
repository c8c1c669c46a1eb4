#include "platform/durablefile.h"
#include "platform/jpegwriter.h"
#include "platform/backgroundfilewriter.h"
#include "results/polenumber.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <optional>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace norvel;

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == data.size()) << path.toStdString();
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A disk that fails the way a full or failing one does: a write past a byte count, or the sync.
class FailingFile : public DurableFile {
public:
    FailingFile(const QString& path, qint64 writableBytes, qint64 chunk, bool syncFails)
        : DurableFile(path)
        , m_left(writableBytes)
        , m_chunk(chunk)
        , m_syncFails(syncFails)
    {
    }

protected:
    qint64 writeToDisk(int fd, const char* data, qint64 size) override
    {
        if (m_left <= 0) {
            errno = ENOSPC;
            return -1;
        }
        const qint64 written = DurableFile::writeToDisk(fd, data, std::min({ size, m_left, m_chunk }));
        m_left -= written;
        return written;
    }
    bool syncToDisk(int fd) override
    {
        if (m_syncFails) {
            errno = EIO;
            return false;
        }
        return DurableFile::syncToDisk(fd);
    }

private:
    qint64 m_left;
    qint64 m_chunk;
    bool m_syncFails;
};

struct FailureCase {
    const char* name;
    qsizetype size; // bytes written
    qint64 writable; // bytes the disk takes
    qint64 chunk; // the most one write(2) takes
    bool syncFails;
    bool commits;
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class DurableFileFailureTest : public ::testing::TestWithParam<FailureCase> { };

// Whatever fails, the old file stays whole and nothing is left beside it; short writes are not failures.
TEST_P(DurableFileFailureTest, failureKeepsTheOldFileAndLeavesNothingBehind)
{
    const FailureCase& c = GetParam();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("No1CP.csv"));
    writeFile(path, "1,0.35\r\n");
    QByteArray content(c.size, 'x');
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>('a' + i % 26);

    FailingFile file(path, c.writable, c.chunk, c.syncFails);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const qint64 accepted = file.write(content);
    EXPECT_EQ(file.commit(), c.commits);
    EXPECT_EQ(readFile(path), c.commits ? content : QByteArray("1,0.35\r\n"));
    EXPECT_EQ(entries(folder.path()), QStringList { "No1CP.csv" });
    if (!c.commits) {
        EXPECT_FALSE(file.errorString().isEmpty());
        EXPECT_TRUE(accepted == content.size() || accepted == -1);
    }
}

INSTANTIATE_TEST_SUITE_P(Disks, DurableFileFailureTest,
    ::testing::Values(FailureCase { "fullAtTheFlush", 1000, 10, 1 << 30, false, false },
        FailureCase { "fullMidway", 1 << 20, 300000, 1 << 30, false, false },
        FailureCase { "fullAtOnce", 1 << 20, 0, 1 << 30, false, false },
        FailureCase { "syncFails", 1000, 1 << 30, 1 << 30, true, false },
        FailureCase { "shortWrites", 100000, 1 << 30, 7777, false, true },
        FailureCase { "emptyFile", 0, 0, 1, false, true }),
    caseName<FailureCase>);

TEST(DurableFileTest, aTemporaryFileLeftByAKilledWriteIsRemovedOnTheNextWrite)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("1_1.jpg"));
    for (const char* name : { "1_1.jpg.aB3xY9", "1_1.jpg.keep", "1_1.jpg.ab3xy", "1_2.jpg.aB3xY9", "x1_1.jpg.aB3xY9" })
        writeFile(folder.filePath(QString::fromLatin1(name)), "left");
    QString error;
    ASSERT_TRUE(writeFileDurably(path, "new", &error)) << error.toStdString();
    EXPECT_EQ(entries(folder.path()),
        (QStringList { "1_1.jpg", "1_1.jpg.ab3xy", "1_1.jpg.keep", "1_2.jpg.aB3xY9", "x1_1.jpg.aB3xY9" }));
}

TEST(DurableFileTest, aNewFileGetsTheUsualPermissionsAndAReplacedOneKeepsItsOwn)
{
    QTemporaryDir folder;
    const QString fresh = folder.filePath(QStringLiteral("fresh"));
    const QString kept = folder.filePath(QStringLiteral("kept"));
    writeFile(kept, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(kept).constData(), 0640), 0);
    const mode_t mask = ::umask(022);
    QString error;
    ASSERT_TRUE(writeFileDurably(fresh, "a", &error));
    ASSERT_TRUE(writeFileDurably(kept, "b", &error));
    ::umask(mask);
    struct stat info { };
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(DurableFileTest, overwritingTheStartKeepsTheTailAndCreatesAMissingFile)
{
    QTemporaryDir folder;
    const QString longer = folder.filePath(QStringLiteral("set.bat"));
    writeFile(longer, QByteArray(20, 'o'));
    QString error;
    ASSERT_TRUE(overwriteFileStart(longer, QByteArray(16, 'n'), &error)) << error.toStdString();
    EXPECT_EQ(readFile(longer), QByteArray(16, 'n') + QByteArray(4, 'o'));
    const QString missing = folder.filePath(QStringLiteral("new.bat"));
    ASSERT_TRUE(overwriteFileStart(missing, QByteArray(16, 'n'), &error));
    EXPECT_EQ(readFile(missing), QByteArray(16, 'n'));
    EXPECT_FALSE(overwriteFileStart(folder.filePath(QStringLiteral("no/such/set.bat")), "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

// The window hands work over and goes on; what it flushes for must be on disk: the newest whole content of
// a file, and every line appended, in order.
TEST(BackgroundFileWriterTest, flushGivesWhatWasHandedOver)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("recovery.dat"));
    const QString log = folder.filePath(QStringLiteral("log.csv"));
    const struct {
        const char* name;
        std::function<void(BackgroundFileWriter&)> handOver;
        std::optional<QByteArray> onDisk; // nullopt: no file
        QByteArray logged;
    } rows[] = {
        { "manyWritesAndAppends",
            [&](BackgroundFileWriter& writer) {
                for (int i = 0; i < 200; ++i) {
                    writer.write(path, QByteArray::number(i));
                    writer.append(log, "h\n", QByteArray::number(i % 10) + '\n');
                }
            },
            QByteArray("199"), "h\n" + QByteArray("0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n").repeated(20) },
        { "removedAfterWriting",
            [&](BackgroundFileWriter& writer) {
                writer.write(path, "a");
                writer.remove(path);
            },
            std::nullopt, "" },
        { "writtenAfterRemoving",
            [&](BackgroundFileWriter& writer) {
                writer.remove(path);
                writer.write(path, "b");
            },
            QByteArray("b"), "" },
        { "removingNothing", [&](BackgroundFileWriter& writer) { writer.remove(path); }, std::nullopt, "" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (const bool destroyed : { false, true }) {
            QFile::remove(path);
            QFile::remove(log);
            auto writer = std::make_unique<BackgroundFileWriter>();
            row.handOver(*writer);
            QString error;
            if (destroyed)
                writer.reset(); // stopping still does what was handed over
            else
                EXPECT_TRUE(writer->flush(&error)) << error.toStdString();
            EXPECT_EQ(QFile::exists(path), row.onDisk.has_value());
            if (row.onDisk) {
                EXPECT_EQ(readFile(path), *row.onDisk);
            }
            EXPECT_EQ(QFile::exists(log) ? readFile(log) : QByteArray(), row.logged);
        }
    }
}

TEST(BackgroundFileWriterTest, failuresAreSaid)
{
    QTemporaryDir folder;
    const QString sub = folder.filePath(QStringLiteral("later"));
    BackgroundFileWriter writer;
    QString error;
    // A whole-file write is said to fail until one succeeds.
    writer.write(sub + QStringLiteral("/recovery.dat"), "a");
    EXPECT_FALSE(writer.flush(&error));
    EXPECT_FALSE(error.isEmpty());
    // A lost append is said even when a later one succeeds, once.
    ASSERT_TRUE(QDir().mkpath(sub + QStringLiteral("/folder.csv")));
    writer.append(sub + QStringLiteral("/folder.csv"), "h\n", "lost\n");
    writer.write(sub + QStringLiteral("/recovery.dat"), "b");
    writer.append(sub + QStringLiteral("/log.csv"), "h\n", "kept\n");
    EXPECT_FALSE(writer.flush(&error));
    EXPECT_TRUE(writer.flush(&error));
    EXPECT_EQ(readFile(sub + QStringLiteral("/recovery.dat")), "b");
    EXPECT_EQ(readFile(sub + QStringLiteral("/log.csv")), "h\nkept\n");
}

// Appending is whole lines or nothing: a line cut short by a crash is closed before the next one starts.
TEST(AppendFileTest, startsNewFilesWithTheHeaderAndClosesACutLine)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("log.csv"));
    const struct {
        const char* name;
        std::optional<QByteArray> before;
        QByteArray after;
    } rows[] = {
        { "new", std::nullopt, "h\r\nline\r\n" },
        { "empty", QByteArray(), "h\r\nline\r\n" },
        { "whole", QByteArray("h\r\na\r\n"), "h\r\na\r\nline\r\n" },
        { "cutShort", QByteArray("h\r\na,b"), "h\r\na,b\r\nline\r\n" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(path);
        if (row.before)
            writeFile(path, *row.before);
        QString error;
        ASSERT_TRUE(appendFileDurably(path, "h\r\n", "line\r\n", &error)) << error.toStdString();
        EXPECT_EQ(readFile(path), row.after);
    }
    QString error;
    EXPECT_FALSE(appendFileDurably(folder.filePath(QStringLiteral("no/log.csv")), "h", "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

// A real file system with no room left: only root can mount one here.
class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a small file system to fill needs root";
        ASSERT_TRUE(folder.isValid());
        if (::mount("tmpfs", QFile::encodeName(folder.path()).constData(), "tmpfs", 0, "size=256k") != 0)
            GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
        mounted = true;
    }
    void TearDown() override
    {
        if (mounted)
            ::umount(QFile::encodeName(folder.path()).constData());
    }
    // Takes every free byte of the file system.
    void fill()
    {
        QFile filler(folder.filePath(QStringLiteral("filler")));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) { }
    }

    QTemporaryDir folder;
    bool mounted = false;
};

TEST_F(FullDiskTest, everyWriterKeepsTheOldFileAndSaysSo)
{
    const struct {
        const char* name;
        const char* file;
        std::function<bool(const QString& path, QString* error)> write;
    } rows[] = {
        { "resultFile", "No1CP.csv",
            [](const QString& path, QString* error) {
                return writeResultFile(path, QStringList(2000, QStringLiteral("0.35")), error);
            } },
        { "picture", "1_1.jpg",
            [](const QString& path, QString* error) {
                QImage noise(400, 300, QImage::Format_RGB32);
                for (int y = 0; y < noise.height(); ++y)
                    for (int x = 0; x < noise.width(); ++x)
                        noise.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (x ^ y) % 256));
                return DCSavetoJPEG(noise, noise.width(), noise.height(), path, 75, error);
            } },
        { "settingsText", "set.Dt",
            [](const QString& path, QString* error) { return writeFileDurably(path, QByteArray(8192, 'p'), error); } },
        { "appendedLine", "log.csv",
            [](const QString& path, QString* error) { return appendFileDurably(path, "h", QByteArray(8192, 'p'), error); } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = folder.filePath(QString::fromLatin1(row.file));
        writeFile(path, "old");
    }
    fill();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = folder.filePath(QString::fromLatin1(row.file));
        QString error;
        EXPECT_FALSE(row.write(path, &error));
        EXPECT_TRUE(error.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << error.toStdString();
        EXPECT_EQ(readFile(path), "old");
    }
    EXPECT_EQ(entries(folder.path()), (QStringList { "1_1.jpg", "filler", "log.csv", "No1CP.csv", "set.Dt" }));
    QString error;
    EXPECT_FALSE(overwriteFileStart(folder.filePath(QStringLiteral("set.bat")), QByteArray(16, 'n'), &error));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("set.bat"))));
}

} // namespace
