#include "files/filearrivals.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

using namespace norvel;

namespace {

bool write(const QString& path, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write("shot") == 4;
}

// What the camera software may do in its folder ("c"; "b" is a folder beside it), and the names told: a file is
// told of once whole, nothing else is.
TEST(FileArrivals, tellsOfFilesClosedAfterWritingOrMovedIn)
{
    const struct {
        const char* name;
        std::function<void(const QDir& c, const QDir& b)> happen;
        QList<QByteArray> told;
    } rows[] = {
        { "written", [](auto& c, auto&) { write(c.filePath("a.jpg")); }, { "a.jpg" } },
        // The kernel folds a repeat into the event not yet read.
        { "writtenInTwoGoes",
            [](auto& c, auto&) { write(c.filePath("a.jpg")), write(c.filePath("a.jpg"), QIODevice::Append); },
            { "a.jpg" } },
        { "movedIn",
            [](auto& c, auto& b) { write(b.filePath("a")), QFile::rename(b.filePath("a"), c.filePath("a.jpg")); },
            { "a.jpg" } },
        { "renamedOverAnotherFile",
            [](auto& c, auto&) {
                write(c.filePath("a")), std::rename(qPrintable(c.filePath("a")), qPrintable(c.filePath("old")));
            },
            { "a", "old" } },
        { "readOrRemoved",
            [](auto& c, auto&) {
                QFile(c.filePath("old")).open(QIODevice::ReadOnly), QFile::remove(c.filePath("old"));
            },
            {} },
        { "foldersAndFilesInThem",
            [](auto& c, auto& b) {
                c.mkdir("sub"), write(c.filePath("sub/a.jpg")), QDir().rename(b.path(), c.filePath("b"));
            },
            {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir root;
        QDir(root.path()).mkpath("c");
        QDir(root.path()).mkpath("b");
        const QDir c(root.filePath("c"));
        ASSERT_TRUE(write(c.filePath("old")));
        FileArrivals arrivals;
        ASSERT_EQ(arrivals.watch(QFile::encodeName(c.path())), FileArrivals::Watch::Watching);
        QList<QByteArray> told;
        QObject::connect(&arrivals, &FileArrivals::arrived, [&](const QList<QByteArray>& names) { told += names; });
        row.happen(c, QDir(root.filePath("b")));
        write(c.filePath("end")); // told last: every event before it has been read
        ASSERT_TRUE(QTest::qWaitFor([&] { return told.removeOne("end"); }, 5000));
        EXPECT_EQ(told, row.told);
    }
}

// A folder not there is no refusal (it may be made later); a link loop is. Only the last folder watched is told
// of, and nothing once its folder went or the watch stopped.
TEST(FileArrivals, watchesOnlyWhatIsThereAndOnlyTheLastFolder)
{
    QTemporaryDir root;
    const auto at = [&](const char* name) { return QFile::encodeName(root.filePath(name)); };
    write(root.filePath("file"));
    QFile::link(root.filePath("loop"), root.filePath("loop"));
    QDir(root.path()).mkpath("first");
    QDir(root.path()).mkpath("second");
    FileArrivals arrivals;
    using W = FileArrivals::Watch;
    for (const auto& [name, watch] : { std::pair { "none", W::NoFolder }, { "file", W::NoFolder },
             { "loop", W::Refused }, { "first", W::Watching }, { "second", W::Watching } })
        EXPECT_EQ(arrivals.watch(at(name)), watch) << name;
    QSignalSpy told(&arrivals, &FileArrivals::arrived);
    write(root.filePath("first/a.jpg"));
    write(root.filePath("second/b.jpg"));
    ASSERT_TRUE(told.wait(5000));
    EXPECT_EQ(told.takeFirst().at(0).value<QList<QByteArray>>(), QList<QByteArray> { "b.jpg" });
    QDir(root.filePath("second")).removeRecursively();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !arrivals.watching(); }, 5000));
    arrivals.watch(at("first"));
    arrivals.stop();
    write(root.filePath("first/c.jpg"));
    QTest::qWait(50);
    EXPECT_TRUE(told.isEmpty());
}

} // namespace
