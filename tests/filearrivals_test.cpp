#include "files/filearrivals.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace norvel;

namespace {

void write(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    ASSERT_TRUE(file.open(mode)) << path.toStdString();
    file.write(bytes);
}

struct ArrivalCase {
    const char* name;
    std::function<void(const QDir& watched, const QDir& beside)> happen;
    QList<QByteArray> told;
};

void PrintTo(const ArrivalCase& c, std::ostream* os)
{
    *os << c.name;
}

class FileArrivalsTest : public ::testing::TestWithParam<ArrivalCase> { };

// What the camera software may do in the folder, and the names told: a file is told of once whole.
TEST_P(FileArrivalsTest, tellsOfFilesClosedAfterWritingOrMovedIn)
{
    QTemporaryDir root;
    QDir(root.path()).mkdir(QStringLiteral("camera"));
    QDir(root.path()).mkdir(QStringLiteral("beside"));
    const QDir watched(root.filePath(QStringLiteral("camera")));
    const QDir beside(root.filePath(QStringLiteral("beside")));
    write(watched.filePath(QStringLiteral("old.jpg")), "old");
    FileArrivals arrivals;
    ASSERT_EQ(arrivals.watch(QFile::encodeName(watched.path())), FileArrivals::Watch::Watching);
    QList<QByteArray> told;
    QObject::connect(&arrivals, &FileArrivals::arrived, [&](const QList<QByteArray>& names) { told += names; });
    GetParam().happen(watched, beside);
    write(watched.filePath(QStringLiteral("end")), ""); // told last: every event before it has been read
    ASSERT_TRUE(QTest::qWaitFor([&] { return told.contains("end"); }, 5000));
    told.removeOne("end");
    EXPECT_EQ(told, GetParam().told);
}

const ArrivalCase arrivalCases[] = {
    { "written", [](const QDir& w, const QDir&) { write(w.filePath(QStringLiteral("a.jpg")), "shot"); }, { "a.jpg" } },
    // The kernel folds a repeat into the event not yet read.
    { "writtenInTwoGoes",
        [](const QDir& w, const QDir&) {
            write(w.filePath(QStringLiteral("a.jpg")), "sh");
            write(w.filePath(QStringLiteral("a.jpg")), "ot", QIODevice::Append);
        },
        { "a.jpg" } },
    { "movedIn",
        [](const QDir& w, const QDir& b) {
            write(b.filePath(QStringLiteral("a.tmp")), "shot");
            QFile::rename(b.filePath(QStringLiteral("a.tmp")), w.filePath(QStringLiteral("a.jpg")));
        },
        { "a.jpg" } },
    { "renamedOverAnotherFile",
        [](const QDir& w, const QDir&) {
            write(w.filePath(QStringLiteral("a.tmp")), "shot");
            ::rename(QFile::encodeName(w.filePath(QStringLiteral("a.tmp"))).constData(),
                QFile::encodeName(w.filePath(QStringLiteral("old.jpg"))).constData());
        },
        { "a.tmp", "old.jpg" } },
    { "readOnlyOpenedOrRemoved",
        [](const QDir& w, const QDir&) {
            QFile old(w.filePath(QStringLiteral("old.jpg")));
            ASSERT_TRUE(old.open(QIODevice::ReadOnly));
            old.close();
            QFile::remove(w.filePath(QStringLiteral("old.jpg")));
        },
        {} },
    { "foldersAndFilesInThem",
        [](const QDir& w, const QDir& b) {
            w.mkdir(QStringLiteral("sub"));
            write(w.filePath(QStringLiteral("sub/a.jpg")), "shot");
            QDir().rename(b.path(), w.filePath(QStringLiteral("moved")));
        },
        {} },
};

INSTANTIATE_TEST_SUITE_P(FileArrivals, FileArrivalsTest, ::testing::ValuesIn(arrivalCases), caseName<ArrivalCase>);

// A folder that is not there is no refusal: it may be made later. A watch replaced or stopped tells nothing more,
// nor does one whose folder went.
TEST(FileArrivals, watchesOnlyWhatIsThereAndOnlyTheLastFolder)
{
    QTemporaryDir root;
    const QByteArray first = QFile::encodeName(root.filePath(QStringLiteral("first")));
    const QByteArray second = QFile::encodeName(root.filePath(QStringLiteral("second")));
    FileArrivals arrivals;
    QString reason;
    EXPECT_EQ(arrivals.watch(first, &reason), FileArrivals::Watch::NoFolder);
    EXPECT_FALSE(reason.isEmpty());
    write(QFile::decodeName(first), "a file, not a folder");
    EXPECT_EQ(arrivals.watch(first), FileArrivals::Watch::NoFolder);
    QDir(root.path()).mkdir(QStringLiteral("second"));
    const QString loop = root.filePath(QStringLiteral("loop"));
    QFile::link(loop, loop);
    EXPECT_EQ(arrivals.watch(QFile::encodeName(loop), &reason), FileArrivals::Watch::Refused);

    QFile::remove(QFile::decodeName(first));
    QDir(root.path()).mkdir(QStringLiteral("first"));
    ASSERT_EQ(arrivals.watch(first), FileArrivals::Watch::Watching);
    ASSERT_EQ(arrivals.watch(second), FileArrivals::Watch::Watching);
    QSignalSpy told(&arrivals, &FileArrivals::arrived);
    write(QFile::decodeName(first + "/a.jpg"), "shot");
    write(QFile::decodeName(second + "/b.jpg"), "shot");
    ASSERT_TRUE(told.wait(5000));
    EXPECT_EQ(told.takeFirst().at(0).value<QList<QByteArray>>(), QList<QByteArray> { "b.jpg" });

    QDir(QFile::decodeName(second)).removeRecursively();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !arrivals.watching(); }, 5000));
    arrivals.stop();
    EXPECT_EQ(arrivals.watch(first), FileArrivals::Watch::Watching);
    arrivals.stop();
    write(QFile::decodeName(first + "/c.jpg"), "shot");
    QTest::qWait(50);
    EXPECT_TRUE(told.isEmpty());
}

} // namespace
