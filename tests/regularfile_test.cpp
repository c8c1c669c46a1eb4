#include "files/regularfile.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace norvel;
using namespace std::chrono_literals;

namespace {

using Status = RegularFile::Status;

struct ReadCase {
    std::string name;
    std::function<bool(const QByteArray& path)> make; // nullptr: nothing at the name
    Status status;
    QByteArray content; // when read
    const char* reason = ""; // part of the error when not read
    bool needsPermissions = false; // root reads everything
};

void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << c.name;
}

class RegularFileTest : public testing::TestWithParam<ReadCase> { };

// Reads whole what is a regular file within the limit (also through a link), and refuses everything else at
// once, with a Japanese reason.
TEST_P(RegularFileTest, readsARegularFileWholeAndRefusesTheRestAtOnce)
{
    const ReadCase& c = GetParam();
    if (c.needsPermissions && ::geteuid() == 0)
        GTEST_SKIP() << "root reads a file whatever its permissions";
    QTemporaryDir folder;
    const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("set.Dt")));
    if (c.make) {
        ASSERT_TRUE(c.make(path));
    }
    // On a thread, so that an open waiting for a pipe's writer fails the test instead of hanging it.
    auto read = std::async(std::launch::async, [&] { return readRegularFile(path, 10); });
    const bool prompt = read.wait_for(2s) == std::future_status::ready;
    while (read.wait_for(100ms) != std::future_status::ready) {
        const int writer = ::open(path.constData(), O_WRONLY | O_NONBLOCK); // lets a waiting open go
        std::this_thread::sleep_for(100ms);
        if (writer >= 0)
            ::close(writer);
    }
    const FileContent got = read.get();
    EXPECT_TRUE(prompt);
    EXPECT_EQ(got.status, c.status) << got.error.toStdString();
    EXPECT_EQ(got.content, c.content);
    EXPECT_TRUE(got.error.contains(QString::fromUtf8(c.reason))) << got.error.toStdString();
    EXPECT_EQ(got.error.isEmpty(), c.status == Status::Opened) << got.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, RegularFileTest,
    testing::Values(ReadCase { "regular", [](const QByteArray& p) { return writeWholeFile(p, "abc\r\n"); },
                        Status::Opened, "abc\r\n" },
        ReadCase { "atTheLimit", [](const QByteArray& p) { return writeWholeFile(p, "0123456789"); }, Status::Opened,
            "0123456789" },
        ReadCase { "empty", [](const QByteArray& p) { return writeWholeFile(p, ""); }, Status::Opened, "" },
        ReadCase { "missing", nullptr, Status::Missing, "", "ファイルがありません" },
        ReadCase { "fifo", [](const QByteArray& p) { return ::mkfifo(p.constData(), 0600) == 0; }, Status::Refused, "",
            "普通のファイルではありません" },
        ReadCase { "linkToDevZero", [](const QByteArray& p) { return ::symlink("/dev/zero", p.constData()) == 0; },
            Status::Refused, "", "普通のファイルではありません" },
        ReadCase { "folder", [](const QByteArray& p) { return ::mkdir(p.constData(), 0700) == 0; }, Status::Refused, "",
            "フォルダ" },
        ReadCase { "overTheLimit", [](const QByteArray& p) { return writeWholeFile(p, "0123456789a"); },
            Status::Refused, "", "上限" },
        ReadCase { "linkToARegularFile",
            [](const QByteArray& p) {
                return writeWholeFile(p + ".real", "real") && ::symlink("set.Dt.real", p.constData()) == 0;
            },
            Status::Opened, "real" },
        ReadCase { "unreadable",
            [](const QByteArray& p) { return writeWholeFile(p, "secret") && ::chmod(p.constData(), 0) == 0; },
            Status::Failed, "", "開けません", true }),
    caseName<ReadCase>);

} // namespace
