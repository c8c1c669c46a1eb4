#include "files/folderlisting.h"

#include <QDir>
#include <QFile>

#include <cerrno>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvel {

namespace {

EntryType typeOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryType::Regular;
    if (S_ISDIR(mode))
        return EntryType::Folder;
    if (S_ISLNK(mode))
        return EntryType::Link;
    return EntryType::Other;
}

EntryType recordedType(unsigned char recorded)
{
    switch (recorded) {
    case DT_UNKNOWN:
        return EntryType::Unknown;
    case DT_REG:
        return EntryType::Regular;
    case DT_DIR:
        return EntryType::Folder;
    case DT_LNK:
        return EntryType::Link;
    default:
        return EntryType::Other;
    }
}

} // namespace

struct FolderListing::Open {
    DIR* listing = nullptr;
};

FolderListing::FolderListing(const QByteArray& folder)
    : m_open(std::make_unique<Open>())
{
    m_open->listing = ::opendir(folder.constData());
    if (!m_open->listing)
        m_error = errno;
}

FolderListing::~FolderListing()
{
    if (m_open->listing)
        ::closedir(m_open->listing);
}

bool FolderListing::opened() const
{
    return m_open->listing != nullptr;
}

std::optional<FolderEntry> FolderListing::next()
{
    if (!m_open->listing)
        return std::nullopt;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(m_open->listing);
        if (!entry) {
            m_error = errno;
            return std::nullopt;
        }
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            return FolderEntry { name, recordedType(entry->d_type) };
    }
}

EntryType FolderListing::followedType(const QByteArray& name) const
{
    struct stat status { };
    if (!m_open->listing || ::fstatat(::dirfd(m_open->listing), name.constData(), &status, 0) != 0)
        return EntryType::Unknown;
    return typeOfMode(status.st_mode);
}

PathType followedPathType(const QByteArray& nativePath)
{
    struct stat status { };
    if (::stat(nativePath.constData(), &status) != 0)
        return { errno, EntryType::Unknown };
    return { 0, typeOfMode(status.st_mode) };
}

PathType pathTypeOf(const QByteArray& nativePath)
{
    struct stat status { };
    if (::lstat(nativePath.constData(), &status) != 0)
        return { errno, EntryType::Unknown };
    return { 0, typeOfMode(status.st_mode) };
}

QList<QByteArray> subfolderNames(const QByteArray& folder, QString* error)
{
    QList<QByteArray> names;
    FolderListing listing(folder);
    if (!listing.opened()) {
        *error = QStringLiteral("フォルダの中を見られません（%1）。").arg(qt_error_string(listing.errorCode()));
        return names;
    }
    while (const std::optional<FolderEntry> entry = listing.next()) {
        bool folderEntry = entry->type == EntryType::Folder;
        if (entry->type == EntryType::Unknown || entry->type == EntryType::Link)
            folderEntry = listing.followedType(entry->name) == EntryType::Folder;
        if (folderEntry)
            names << entry->name;
    }
    if (listing.errorCode() != 0)
        *error = QStringLiteral("フォルダの中を最後まで見られません（%1）。").arg(qt_error_string(listing.errorCode()));
    return names;
}

bool isFolder(const QString& path)
{
    return followedPathType(QFile::encodeName(path)).type == EntryType::Folder;
}

bool sameFolder(const QString& a, const QString& b)
{
    struct stat first { };
    struct stat second { };
    if (::stat(QFile::encodeName(a).constData(), &first) == 0 && ::stat(QFile::encodeName(b).constData(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    return QDir::cleanPath(QDir(a).absolutePath()) == QDir::cleanPath(QDir(b).absolutePath());
}

bool nameExists(const QByteArray& nativePath)
{
    struct stat status { };
    return ::lstat(nativePath.constData(), &status) == 0;
}

bool isLink(const QByteArray& nativePath)
{
    struct stat status { };
    return ::lstat(nativePath.constData(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool removeName(const QByteArray& nativePath)
{
    return ::unlink(nativePath.constData()) == 0;
}

int renameName(const QByteArray& from, const QByteArray& to)
{
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

} // namespace norvel
