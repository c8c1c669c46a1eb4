#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

// Reading a folder as the file system holds it: names as bytes (which need not be UTF-8), unsorted, with the
// type the folder records for each, so that a folder of many pictures is read without a look at every entry.
namespace norvel {

enum class EntryType {
    Unknown, // the file system does not say; ask followedType()
    Regular,
    Folder,
    Link,
    Other, // a device, pipe or socket
};

struct FolderEntry {
    QByteArray name;
    EntryType type = EntryType::Unknown; // as the folder records it: a link is a Link
};

class FolderListing {
public:
    explicit FolderListing(const QByteArray& folder);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    [[nodiscard]] bool opened() const;
    // The next entry, "." and ".." left out; nullopt at the end, or when reading failed (errorCode() says).
    [[nodiscard]] std::optional<FolderEntry> next();
    // The errno of the failed open or read; 0 when none failed.
    [[nodiscard]] int errorCode() const { return m_error; }
    // What a name in the folder is once links are followed (Regular, Folder or Other); Unknown when it cannot
    // be looked at, as for a link to nothing.
    [[nodiscard]] EntryType followedType(const QByteArray& name) const;

private:
    struct Open;
    std::unique_ptr<Open> m_open;
    int m_error = 0;
};

// What a path names, links followed: error is the errno of a failed look (ENOENT: nothing there), else 0.
struct PathType {
    int error = 0;
    EntryType type = EntryType::Unknown;
};
[[nodiscard]] PathType followedPathType(const QByteArray& nativePath);
// What the name itself is, a link as a Link.
[[nodiscard]] PathType pathTypeOf(const QByteArray& nativePath);

// The names of the folders in a folder, links to folders included, unsorted; error says why when the folder
// cannot be read to its end.
[[nodiscard]] QList<QByteArray> subfolderNames(const QByteArray& folder, QString* error);

// Whether the path names a folder, a link followed.
[[nodiscard]] bool isFolder(const QString& path);
// Whether both paths name the one folder on disk, links followed; as written, when either is not there.
[[nodiscard]] bool sameFolder(const QString& a, const QString& b);

// Whether the name itself is a symbolic link, whatever it points at.
[[nodiscard]] bool isLink(const QByteArray& nativePath);
// Whether anything has the name, a link to nothing too.
[[nodiscard]] bool nameExists(const QByteArray& nativePath);
// Removes the name (a file or a link, never a folder); false when it could not.
[[nodiscard]] bool removeName(const QByteArray& nativePath);
// Gives whatever from names (a link as the link) the name to, in one step; 0, or the system's error code.
[[nodiscard]] int renameName(const QByteArray& from, const QByteArray& to);

} // namespace norvel
