#include "files/folderlisting.h"

#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace norvel;

namespace {

struct EntryCase {
    std::string name;
    QByteArray entry; // made by make() in the folder
    EntryType followed; // what the entry is with links followed
};

void make(const QByteArray& folder, const QByteArray& name)
{
    const QByteArray path = folder + '/' + name;
    int made = 0;
    if (name.startsWith("file"))
        made = ::close(::creat(path.constData(), 0644));
    else if (name.startsWith("dir"))
        made = ::mkdir(path.constData(), 0755);
    else if (name.startsWith("fifo"))
        made = ::mkfifo(path.constData(), 0644);
    else if (name.startsWith("linkToDir"))
        made = ::symlink(".", path.constData());
    else if (name.startsWith("dangling"))
        made = ::symlink("nothing", path.constData());
    ASSERT_EQ(made, 0) << name.toStdString();
}

class FolderListingTest : public testing::TestWithParam<EntryCase> { };

// Each entry is listed by its bytes, alone (no "." or ".."), and looked at through links on request.
TEST_P(FolderListingTest, ListsTheNameAndFollowsItsType)
{
    const EntryCase& c = GetParam();
    QTemporaryDir folder;
    const QByteArray path = QFile::encodeName(folder.path());
    make(path, c.entry);
    FolderListing listing(path);
    ASSERT_TRUE(listing.opened());
    const std::optional<FolderEntry> entry = listing.next();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, c.entry);
    EXPECT_EQ(listing.followedType(entry->name), c.followed);
    EXPECT_FALSE(listing.next());
    EXPECT_EQ(listing.errorCode(), 0);
    EXPECT_EQ(followedPathType(path + '/' + c.entry).type, c.followed);
    EXPECT_TRUE(nameExists(path + '/' + c.entry));
    const bool isAFolder = c.followed == EntryType::Folder;
    EXPECT_EQ(isFolder(QFile::decodeName(path + '/' + c.entry)), isAFolder);
    QString error;
    EXPECT_EQ(subfolderNames(path, &error), isAFolder ? QList<QByteArray> { c.entry } : QList<QByteArray> {});
    EXPECT_EQ(sameFolder(QFile::decodeName(path + '/' + c.entry), folder.path()), c.entry == "linkToDir");
}

INSTANTIATE_TEST_SUITE_P(Entries, FolderListingTest,
    testing::Values(EntryCase { "file", "file.jpg", EntryType::Regular },
        EntryCase { "notUtf8", "file\xff.jpg", EntryType::Regular }, EntryCase { "folder", "dir", EntryType::Folder },
        EntryCase { "pipe", "fifo", EntryType::Other }, EntryCase { "linkToFolder", "linkToDir", EntryType::Folder },
        EntryCase { "linkToNothing", "dangling", EntryType::Unknown }),
    caseName<EntryCase>);

TEST(FolderListing, AMissingFolderSaysWhy)
{
    FolderListing listing("/nonexistent/folder");
    EXPECT_FALSE(listing.opened());
    EXPECT_EQ(listing.errorCode(), ENOENT);
    EXPECT_FALSE(listing.next());
    EXPECT_EQ(followedPathType("/nonexistent/folder").error, ENOENT);
    EXPECT_FALSE(nameExists("/nonexistent/folder"));
    EXPECT_FALSE(removeName("/nonexistent/folder"));
    QString error;
    EXPECT_TRUE(subfolderNames("/nonexistent/folder", &error).isEmpty());
    EXPECT_TRUE(error.contains(qt_error_string(ENOENT))) << error.toStdString();
}

} // namespace
