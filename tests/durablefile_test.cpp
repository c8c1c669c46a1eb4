#include "failingcalls.h"
#include "failingdisk.h"
#include "files/backgroundfilewriter.h"
#include "files/durablefile.h"
#include "files/durablefolder.h"
#include "picture/jpegwriter.h"
#include "results/polenumber.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace norvel;
using namespace std::chrono_literals;

namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

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
    writeWholeFile(path, "1,0.35\r\n");
    QByteArray content(c.size, 'x');
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>('a' + i % 26);

    FailingFile file(path, c.writable, c.chunk, c.syncFails);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const qint64 accepted = file.write(content);
    EXPECT_EQ(file.commit(), c.commits);
    EXPECT_EQ(readWholeFile(path), c.commits ? content : QByteArray("1,0.35\r\n"));
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
        writeWholeFile(folder.filePath(QString::fromLatin1(name)), "left");
    QString error;
    ASSERT_TRUE(writeFileDurably(path, "new", &error)) << error.toStdString();
    EXPECT_EQ(entries(folder.path()),
        (QStringList { "1_1.jpg", "1_1.jpg.ab3xy", "1_1.jpg.keep", "1_2.jpg.aB3xY9", "x1_1.jpg.aB3xY9" }));
}

// Writers of one file at once all succeed, the last one's content staying: each sweep removes what a dead writer
// left, never the temporary file another writer holds, written or already synced.
TEST(DurableFileTest, aSweepLeavesWhatAnotherWriterHolds)
{
    // Writers opened one after another, each synced before the next opens or not, then committed in that order.
    for (const auto& [writers, prepared] : { std::pair { 1, false }, { 2, false }, { 3, true } }) {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("写真台帳_20221019.pdf"));
        writeWholeFile(path + QStringLiteral(".Zz9Zz9"), "left by a killed writer");
        std::vector<std::unique_ptr<DurableFile>> files;
        for (int w = 0; w < writers; ++w) {
            files.push_back(std::make_unique<DurableFile>(path));
            ASSERT_TRUE(files.back()->open(QIODevice::WriteOnly) && files.back()->write(QByteArray(1, char('a' + w))));
            ASSERT_TRUE(!prepared || files.back()->prepareCommit());
        }
        for (const auto& file : files)
            EXPECT_TRUE(file->commit()) << file->errorString().toStdString();
        EXPECT_EQ(readWholeFile(path), QByteArray(1, char('a' + writers - 1)));
        EXPECT_EQ(entries(folder.path()), QStringList { "写真台帳_20221019.pdf" });
    }
}

TEST(DurableFileTest, aNewFileGetsTheUsualPermissionsAndAReplacedOneKeepsItsOwn)
{
    QTemporaryDir folder;
    const QString fresh = folder.filePath(QStringLiteral("fresh"));
    const QString kept = folder.filePath(QStringLiteral("kept"));
    writeWholeFile(kept, "old");
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
    writeWholeFile(longer, QByteArray(20, 'o'));
    QString error;
    ASSERT_TRUE(overwriteFileStart(longer, QByteArray(16, 'n'), &error)) << error.toStdString();
    EXPECT_EQ(readWholeFile(longer), QByteArray(16, 'n') + QByteArray(4, 'o'));
    const QString missing = folder.filePath(QStringLiteral("new.bat"));
    ASSERT_TRUE(overwriteFileStart(missing, QByteArray(16, 'n'), &error));
    EXPECT_EQ(readWholeFile(missing), QByteArray(16, 'n'));
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
                EXPECT_EQ(readWholeFile(path), *row.onDisk);
            }
            EXPECT_EQ(QFile::exists(log) ? readWholeFile(log) : QByteArray(), row.logged);
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
    EXPECT_EQ(readWholeFile(sub + QStringLiteral("/recovery.dat")), "b");
    EXPECT_EQ(readWholeFile(sub + QStringLiteral("/log.csv")), "h\nkept\n");
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
            writeWholeFile(path, *row.before);
        QString error;
        ASSERT_TRUE(appendFileDurably(path, "h\r\n", "line\r\n", &error)) << error.toStdString();
        EXPECT_EQ(readWholeFile(path), row.after);
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
            [](const QString& path, QString* error) {
                return appendFileDurably(path, "h", QByteArray(8192, 'p'), error);
            } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = folder.filePath(QString::fromLatin1(row.file));
        writeWholeFile(path, "old");
    }
    fill();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = folder.filePath(QString::fromLatin1(row.file));
        QString error;
        EXPECT_FALSE(row.write(path, &error));
        EXPECT_TRUE(error.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << error.toStdString();
        EXPECT_EQ(readWholeFile(path), "old");
    }
    EXPECT_EQ(entries(folder.path()), (QStringList { "1_1.jpg", "filler", "log.csv", "No1CP.csv", "set.Dt" }));
    QString error;
    EXPECT_FALSE(overwriteFileStart(folder.filePath(QStringLiteral("set.bat")), QByteArray(16, 'n'), &error));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("set.bat"))));
}

// Runs call on a thread of its own: true when it returns within two seconds. A call stuck opening the pipe at
// fifo is let go by opening the pipe's other end, so that a failing test still ends.
bool returnsAtOnce(const std::function<void()>& call, const QByteArray& fifo)
{
    std::promise<void> returned;
    std::future<void> done = returned.get_future();
    std::thread caller([&] {
        call();
        returned.set_value();
    });
    const bool prompt = done.wait_for(2s) == std::future_status::ready;
    while (done.wait_for(100ms) != std::future_status::ready) {
        const int other = ::open(fifo.constData(), O_RDWR | O_NONBLOCK);
        std::this_thread::sleep_for(100ms);
        if (other >= 0)
            ::close(other);
    }
    caller.join();
    return prompt;
}

mode_t typeOf(const QString& path)
{
    struct stat status { };
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

// What may stand at the name of the day's record or the settings: only a regular file of its own is written
// into in place. outside is a file beyond the program's folder that a link may point to.
struct InPlaceCase {
    const char* name;
    std::function<bool(const QString& path, const QString& outside)> make;
    const char* reason;
};

void PrintTo(const InPlaceCase& c, std::ostream* os)
{
    *os << c.name;
}

class InPlaceTest : public ::testing::TestWithParam<InPlaceCase> { };

TEST_P(InPlaceTest, appendAndOverwriteRefuseAtOnceWhatIsNotARegularFileOfTheirOwn)
{
    const InPlaceCase& c = GetParam();
    const struct {
        const char* name;
        std::function<bool(const QString& path, QString* error)> write;
    } writers[] = {
        { "append",
            [](const QString& path, QString* error) { return appendFileDurably(path, "h\n", "line\n", error); } },
        { "overwriteStart",
            [](const QString& path, QString* error) { return overwriteFileStart(path, "line\n", error); } },
    };
    for (const auto& writer : writers) {
        SCOPED_TRACE(writer.name);
        QTemporaryDir folder;
        QTemporaryDir elsewhere;
        const QString path = folder.filePath(QStringLiteral("測定記録.csv"));
        const QString outside = elsewhere.filePath(QStringLiteral("outside.csv"));
        writeWholeFile(outside, "outside\n");
        ASSERT_TRUE(c.make(path, outside));
        const mode_t type = typeOf(path);
        QString error;
        bool written = true;
        EXPECT_TRUE(returnsAtOnce([&] { written = writer.write(path, &error); }, QFile::encodeName(path)));
        EXPECT_FALSE(written);
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.reason))) << error.toStdString();
        EXPECT_EQ(typeOf(path), type);
        EXPECT_EQ(readWholeFile(outside), "outside\n");
        EXPECT_EQ(entries(elsewhere.path()), QStringList { "outside.csv" });
    }
}

INSTANTIATE_TEST_SUITE_P(Names, InPlaceTest,
    ::testing::Values(InPlaceCase { "fifo",
                          [](const QString& path, const QString&) {
                              return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
                          },
                          "パイプ" },
        InPlaceCase { "linkToAFileOutside",
            [](const QString& path, const QString& outside) { return QFile::link(outside, path); }, "リンク" },
        InPlaceCase { "linkToNothingOutside",
            [](const QString& path, const QString& outside) {
                return QFile::link(outside + QStringLiteral(".new"), path);
            },
            "リンク" },
        InPlaceCase { "folder", [](const QString& path, const QString&) { return QDir().mkdir(path); }, "フォルダ" }),
    caseName<InPlaceCase>);

// The whole-file writer replaces only a regular file: a link or a pipe at the name is not the program's, and is
// neither replaced, written through nor opened; nothing is left beside it.
TEST(DurableFileTest, refusesALinkOrPipeAtTheNameWithoutWritingThroughIt)
{
    const struct {
        const char* name;
        std::function<bool(const QString& path, const QString& outside)> make;
    } rows[] = {
        { "linkToAFileOutside",
            [](const QString& path, const QString& outside) { return QFile::link(outside, path); } },
        { "linkToNothingOutside",
            [](const QString& path, const QString& outside) {
                return QFile::link(outside + QStringLiteral(".new"), path);
            } },
        { "fifo",
            [](const QString& path, const QString&) {
                return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
            } },
    };
    // Each put there before the write, then while it is written.
    for (std::size_t attempt = 0; attempt < 2 * std::size(rows); ++attempt) {
        const auto& row = rows[attempt / 2];
        const bool whileWriting = attempt % 2 == 1;
        SCOPED_TRACE(std::string(row.name) + (whileWriting ? " put there while writing" : ""));
        QTemporaryDir folder;
        QTemporaryDir elsewhere;
        const QString path = folder.filePath(QStringLiteral("No1CP.csv"));
        const QString outside = elsewhere.filePath(QStringLiteral("outside.csv"));
        writeWholeFile(outside, "outside\n");
        DurableFile file(path);
        ASSERT_TRUE(!whileWriting || (file.open(QIODevice::WriteOnly) && file.write("new\n") == 4));
        ASSERT_TRUE(row.make(path, outside));
        const mode_t type = typeOf(path);
        QString error;
        bool written = true;
        EXPECT_TRUE(returnsAtOnce(
            [&] {
                written = whileWriting ? file.commit() : writeFileDurably(path, "new\n", &error);
                error += file.errorString();
            },
            QFile::encodeName(path)));
        EXPECT_FALSE(written);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(typeOf(path), type);
        EXPECT_EQ(entries(folder.path()), QStringList { "No1CP.csv" });
        EXPECT_EQ(readWholeFile(outside), "outside\n");
        EXPECT_EQ(entries(elsewhere.path()), QStringList { "outside.csv" });
    }
}

// A call whose failure changes what is on disk fails the write, with its reason; the old file stays.
struct CheckedCallCase {
    const char* name;
    std::atomic<int>* call;
    std::function<bool(const QString& path, QString* error)> write;
    bool fileExists; // before the write
    QByteArray after; // the file's content afterwards; empty: no file
};

void PrintTo(const CheckedCallCase& c, std::ostream* os)
{
    *os << c.name;
}

class CheckedCallTest : public ::testing::TestWithParam<CheckedCallCase> { };

TEST_P(CheckedCallTest, aFailedCallFailsTheWriteWithItsReason)
{
    const CheckedCallCase& c = GetParam();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("set.Dt"));
    if (c.fileExists)
        writeWholeFile(path, "old\n");
    QString error;
    bool written = true;
    {
        const failing::Failing fails(*c.call, EIO);
        written = c.write(path, &error);
    }
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.contains(qt_error_string(EIO))) << error.toStdString();
    EXPECT_EQ(QFile::exists(path) ? readWholeFile(path) : QByteArray(), c.after);
    EXPECT_LE(entries(folder.path()).size(), 1) << "a temporary file was left behind";
}

bool writeWhole(const QString& path, QString* error)
{
    return writeFileDurably(path, "new\n", error);
}

bool appendLine(const QString& path, QString* error)
{
    return appendFileDurably(path, "h\n", "line\n", error);
}

bool overwriteStart(const QString& path, QString* error)
{
    return overwriteFileStart(path, "new\n", error);
}

bool removeInTheBackground(const QString& path, QString* error)
{
    BackgroundFileWriter writer;
    writer.remove(path);
    return writer.flush(error);
}

INSTANTIATE_TEST_SUITE_P(Calls, CheckedCallTest,
    ::testing::Values(CheckedCallCase { "permissionsOfTheNewFile", &failing::fchmodError, writeWhole, true, "old\n" },
        // The new content is in place, but a power cut could still undo the rename: said as a failure.
        CheckedCallCase { "folderAfterTheRename", &failing::folderSyncError, writeWhole, true, "new\n" },
        CheckedCallCase { "folderOfANewRecord", &failing::folderSyncError, appendLine, false, "h\nline\n" },
        CheckedCallCase { "folderOfNewSettings", &failing::folderSyncError, overwriteStart, false, "new\n" },
        CheckedCallCase { "folderAfterARemoval", &failing::folderSyncError, removeInTheBackground, true, "" }),
    caseName<CheckedCallCase>);

BackgroundFileWriter::Runner heldBy(const std::shared_ptr<Gate>& gate)
{
    return [gate](const BackgroundFileWriter::Job& job, QString* error) {
        gate->pass();
        return BackgroundFileWriter::performOnDisk(job, error);
    };
}

// The window never waits on a hanging write longer than the limit: the flush says so, the write goes on, and
// a later flush tells how it ended.
TEST(BackgroundFileWriterTest, aHangingWriteIsSaidAfterTheLimitAndReportedWhenItEnds)
{
    const struct {
        const char* name;
        bool fails; // the held job, once let go
        bool append;
    } rows[] = {
        { "writeThatSucceeds", false, false },
        { "writeThatFails", true, false },
        { "appendThatFails", true, true },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        const QString path = folder.filePath(row.fails ? QStringLiteral("gone/log.csv") : QStringLiteral("log.csv"));
        const auto gate = std::make_shared<Gate>();
        BackgroundFileWriter writer(200ms, heldBy(gate));
        if (row.append)
            writer.append(path, "h\n", "line\n");
        else
            writer.write(path, "line\n");
        QString error;
        const auto before = std::chrono::steady_clock::now();
        EXPECT_FALSE(writer.flush(&error));
        EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
        EXPECT_EQ(error, QStringLiteral("書き込みが終わりません（0.2秒）"));
        gate->letGo();
        error.clear();
        EXPECT_EQ(writer.flush(&error, 5s), !row.fails) << error.toStdString();
        EXPECT_EQ(
            error.contains(QStringLiteral("開けません")) || error.contains(QStringLiteral("作れません")), row.fails)
            << error.toStdString();
        EXPECT_EQ(QFile::exists(path), !row.fails);
    }
}

// A writer that goes while a write hangs (the window closing) waits no longer than the limit; the write is
// done all the same once the disk answers.
TEST(BackgroundFileWriterTest, goingWhileAWriteHangsWaitsOnlyTheLimit)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("recovery.dat"));
    const auto gate = std::make_shared<Gate>();
    const auto before = std::chrono::steady_clock::now();
    {
        BackgroundFileWriter writer(200ms, heldBy(gate));
        writer.write(path, "a");
        writer.append(folder.filePath(QStringLiteral("log.csv")), "h\n", "line\n");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_FALSE(QFile::exists(path));
    gate->letGo();
    EXPECT_TRUE(appearsWithin(folder.filePath(QStringLiteral("log.csv")), 5s));
    EXPECT_EQ(readWholeFile(path), "a");
}

// The day's record as a pipe froze the window at the first shot: the writer's thread stuck in open(), the
// window in flush(). Now the append is refused at once.
TEST(BackgroundFileWriterTest, aRecordThatIsAPipeIsRefusedAtOnce)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("測定記録.csv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    BackgroundFileWriter writer;
    writer.append(path, "h\n", "line\n");
    QString error;
    EXPECT_FALSE(writer.flush(&error, 2s));
    EXPECT_TRUE(error.contains(QStringLiteral("パイプ"))) << error.toStdString();
    // Should the open hang after all, a reader lets the thread go, so the test ends.
    const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    (void)writer.flush(&error, 5s);
    if (reader >= 0)
        ::close(reader);
}

struct MakeFolderCase {
    const char* name;
    const char* asked; // below a folder of "file", "real" (a folder), "link" to it and "dangling", a link to nothing
    bool syncFails; // of the folder holding a new one
    const char* reason; // said beside the folder's name; nullptr when it is made
    const char* top = "dangling file link real"; // the folder's names afterwards
};

class MakeFolderTest : public ::testing::TestWithParam<MakeFolderCase> { };

// The folder is there afterwards, or the call says why and leaves nothing it made; a link stays a link.
TEST_P(MakeFolderTest, makesTheFolderOrSaysWhyAndLeavesNothing)
{
    const MakeFolderCase& c = GetParam();
    QTemporaryDir root;
    const QDir folder(root.path());
    ASSERT_TRUE(writeWholeFile(folder.filePath("file"), "a file") && folder.mkdir(QStringLiteral("real"))
        && QFile::link(QStringLiteral("real"), folder.filePath("link"))
        && QFile::link(QStringLiteral("nothing"), folder.filePath("dangling")));
    const QString asked = folder.filePath(QString::fromUtf8(c.asked));
    QString error;
    const failing::Failing fails(failing::folderSyncError, c.syncFails ? EIO : 0);
    EXPECT_EQ(makeFolderDurably(asked, &error), !c.reason);
    EXPECT_EQ(error.startsWith(QStringLiteral("フォルダ「%1」を作成できませんでした。").arg(asked))
            && error.contains(QString::fromUtf8(c.reason)),
        c.reason != nullptr)
        << error.toStdString();
    EXPECT_EQ(QFileInfo(asked).isDir(), !c.reason);
    EXPECT_EQ(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).join(u' '), c.top);
    EXPECT_TRUE(QFileInfo(folder.filePath("link")).isSymLink());
}

INSTANTIATE_TEST_SUITE_P(Folders, MakeFolderTest,
    ::testing::Values(MakeFolderCase { "new", "a", false, nullptr, "a dangling file link real" },
        MakeFolderCase { "nested", "a/b//c/", false, nullptr, "a dangling file link real" },
        MakeFolderCase { "existing", "real", false, nullptr },
        // A link to a folder is taken as the folder it names, at the end or above it.
        MakeFolderCase { "aLinkToAFolder", "link", false, nullptr },
        MakeFolderCase { "belowALinkToAFolder", "link/b", false, nullptr },
        MakeFolderCase { "blockedByAFile", "file/b", false, "/file」はフォルダではありません" },
        MakeFolderCase { "aLinkToNothing", "dangling/b", false, "先のないリンク" },
        // A folder whose name might not outlast a power cut goes again, with those made above it.
        MakeFolderCase { "notOnDisk", "a/b/c", true, "ディスクに書き込めません" }),
    caseName<MakeFolderCase>);

} // namespace
