#include "files/durablefile.h"

#include "files/filereason.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvel {

namespace {

constexpr qsizetype BufferLimit = 256 * 1024;
constexpr qsizetype TemporarySuffixLength = 6; // mkstemp's "XXXXXX"

bool isTemporarySuffix(const char* suffix)
{
    qsizetype length = 0;
    for (; suffix[length] != '\0'; ++length) {
        const char c = suffix[length];
        if (length == TemporarySuffixLength
            || !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    }
    return length == TemporarySuffixLength;
}

constexpr time_t UnlockableAge = 60 * 60; // where locks cannot be taken, a temporary older than this is a dead one's

// Takes the writer's lock on a temporary file without waiting: 0, or the errno (EWOULDBLOCK: a writer holds it).
int lockTemporary(int fd)
{
    int result = 0;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

// Whether a temporary file is one no writer holds: its lock could be taken (a writer holds its lock until the
// rename), or, on a file system without locks, it has not been touched for an hour.
bool abandoned(int folder, const char* name)
{
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status { };
    bool dead = false;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        const int code = lockTemporary(fd);
        dead = code == 0 || (code != EWOULDBLOCK && ::time(nullptr) - status.st_mtime > UnlockableAge);
    }
    ::close(fd); // read-only, and its lock goes with it
    return dead;
}

// What a write killed half-way left beside the target: "name." and six letters or digits, that no writer holds.
// Read straight from the folder, unsorted: a pole's folder of pictures is read at every filing, and only the names
// that match are opened.
void removeStaleTemporaries(const QByteArray& target)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);
    const QByteArray prefix = target.mid(slash + 1) + '.';
    DIR* listing = ::opendir(folder.constData());
    if (!listing)
        return;
    const int fd = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        if (std::strncmp(entry->d_name, prefix.constData(), std::size_t(prefix.size())) != 0
            || !isTemporarySuffix(entry->d_name + prefix.size()))
            continue;
        // One left behind is harmless: it is looked at again next time. Another writer's is never taken away.
        if (abandoned(fd, entry->d_name))
            ::unlinkat(fd, entry->d_name, 0);
    }
    ::closedir(listing);
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Why a file of this type is not one to write into in place; empty for a regular file.
QString notARegularFile(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISLNK(mode))
        return QStringLiteral("ファイルではなくリンクです。リンクの先には書き込みません。");
    if (S_ISDIR(mode))
        return QStringLiteral("ファイルではなくフォルダです。");
    return QStringLiteral("普通のファイルではありません（装置、パイプなど）。書き込みませんでした。");
}

// Why the name may not be renamed over: anything but a regular file is not ours to replace (a device node, a
// pipe, a folder, a link, which the user put there). Empty when nothing or a regular file has the name.
QString notOursToReplace(const QByteArray& name, struct stat* status)
{
    if (::lstat(name.constData(), status) == 0)
        return notARegularFile(status->st_mode);
    *status = {};
    return {};
}

// Opens the file at the name itself to write in place, creating it when missing (*created says so). Never what
// a link there points to, which may lie outside the program's folder, and never a pipe or device: opening a
// pipe waits for a reader, and the window would wait for that write. -1, with the reason, otherwise.
int openFileInPlace(const QByteArray& name, int access, bool* created, QString* why)
{
    const int flags = access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    *created = false;
    int fd = ::open(name.constData(), flags);
    if (fd < 0 && errno == ENOENT) {
        // O_EXCL: made here and now, or not at all; a link made meanwhile is not followed either.
        fd = ::open(name.constData(), flags | O_CREAT | O_EXCL, 0666);
        *created = fd >= 0;
    }
    struct stat status { };
    if (fd < 0) {
        const int code = errno;
        *why = ::lstat(name.constData(), &status) == 0 ? notARegularFile(status.st_mode) : QString();
        if (why->isEmpty())
            *why = fileReason(CannotOpen, code);
        return -1;
    }
    // A regular file's writes never wait; the flag goes so that they are never cut short either.
    const int current = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &status) != 0 || current == -1) {
        *why = fileReason(CannotOpen, errno);
    } else {
        *why = notARegularFile(status.st_mode);
        if (why->isEmpty() && ::fcntl(fd, F_SETFL, current & ~O_NONBLOCK) != -1)
            return fd;
        if (why->isEmpty())
            *why = fileReason(CannotOpen, errno);
    }
    // Nothing was written through this descriptor: a failed close loses nothing. A file made just now is empty.
    ::close(fd);
    if (*created)
        ::unlink(name.constData());
    *created = false;
    return -1;
}

// The tail of every write: the data synced to disk by sync (which leaves errno set when it fails), then the
// descriptor closed, which it is either way. The reason, or empty once the data is on disk.
template <typename Sync> QString syncAndClose(int fd, Sync sync)
{
    errno = 0;
    if (!sync(fd)) {
        const int code = errno != 0 ? errno : EIO;
        ::close(fd);
        return fileReason(CannotSync, code);
    }
    if (::close(fd) != 0)
        return fileReason(CannotWrite, errno);
    return {};
}

} // namespace

bool syncFolderOf(const QByteArray& nativePath, QString* error)
{
    const qsizetype slash = nativePath.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : nativePath.left(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int code = fd < 0 ? errno : 0;
    // Some file systems cannot sync a folder at all (EINVAL, ENOTSUP): there nothing more can be done.
    if (fd >= 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP)
        code = errno;
    // A folder opened only to be synced: closing it loses nothing.
    if (fd >= 0)
        ::close(fd);
    if (code != 0 && error)
        *error = fileReason("フォルダの変更をディスクに書き込めません（%1）。", code);
    return code == 0;
}

DurableFile::DurableFile(const QString& path, QObject* parent)
    : DurableFile(NativePath { QFile::encodeName(path) }, parent)
{
}

DurableFile::DurableFile(NativePath path, QObject* parent)
    : QIODevice(parent)
    , m_target(std::move(path.bytes))
    , m_path(QFile::decodeName(m_target))
{
}

DurableFile::~DurableFile()
{
    discard();
}

bool DurableFile::open(OpenMode mode)
{
    if ((mode & ReadWrite) != WriteOnly || isOpen()) {
        setErrorString(QStringLiteral("新しく書き込むファイルしか開けません。"));
        return false;
    }
    const QByteArray& target = m_target;
    struct stat existing { };
    if (const QString why = notOursToReplace(target, &existing); !why.isEmpty()) {
        setErrorString(why);
        return false;
    }
    removeStaleTemporaries(m_target);
    if (!makeTemporary())
        return false;
    // The file that replaces another keeps its permissions; a new one gets the usual ones, not mkstemp's 0600.
    const bool replacesFile = S_ISREG(existing.st_mode);
    if (::fchmod(m_fd, replacesFile ? existing.st_mode & 07777 : newFileMode()) != 0) {
        // A file that others could then not read, or could write, is not the one asked for.
        setErrorString(fileReason("一時ファイルのアクセス許可を設定できません（%1）。", errno));
        discard();
        return false;
    }
    m_failed = false;
    m_buffer.clear();
    setErrorString(QString());
    return QIODevice::open(WriteOnly | Unbuffered);
}

bool DurableFile::makeTemporary()
{
    // Another writer's sweep may take a temporary away between its making and its lock: then it is made anew.
    for (int attempt = 0; attempt < 8; ++attempt) {
        m_temporary = m_target + QByteArray(".XXXXXX");
        m_fd = ::mkostemp(m_temporary.data(), O_CLOEXEC);
        if (m_fd < 0) {
            setErrorString(fileReason("一時ファイルを作れません（%1）。", errno));
            m_temporary.clear();
            return false;
        }
        const int code = lockTemporary(m_fd);
        struct stat mine { };
        struct stat named { };
        const bool held = (code == 0 || (code != EWOULDBLOCK && code != EAGAIN)) && ::fstat(m_fd, &mine) == 0
            && ::lstat(m_temporary.constData(), &named) == 0 && mine.st_dev == named.st_dev
            && mine.st_ino == named.st_ino;
        if (held) {
            // A second descriptor of the same open file keeps the lock until the rename, after the data's is closed.
            m_lock = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
            return true;
        }
        // Taken by a sweep, which removes it: not ours to unlink.
        ::close(std::exchange(m_fd, -1));
        m_temporary.clear();
    }
    setErrorString(QStringLiteral("一時ファイルを作れません（ほかの書き込みが続けて消しました）。"));
    return false;
}

qint64 DurableFile::readData(char*, qint64)
{
    return -1;
}

qint64 DurableFile::writeData(const char* data, qint64 size)
{
    if (m_failed || m_fd < 0)
        return -1;
    m_buffer.append(data, size);
    if (m_buffer.size() >= BufferLimit && !writeBuffer())
        return -1;
    return size;
}

qint64 DurableFile::writeToDisk(int fd, const char* data, qint64 size)
{
    return ::write(fd, data, static_cast<std::size_t>(size));
}

bool DurableFile::syncToDisk(int fd)
{
    // The data and the size that reaches it; the times need not be on disk before the rename.
    return ::fdatasync(fd) == 0;
}

bool DurableFile::writeBuffer()
{
    const char* data = m_buffer.constData();
    qint64 left = m_buffer.size();
    while (left > 0) {
        errno = 0;
        const qint64 written = writeToDisk(m_fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            fail(fileReason(CannotWrite, written < 0 && errno != 0 ? errno : ENOSPC));
            return false;
        }
        data += written;
        left -= written;
    }
    m_buffer.clear();
    return true;
}

void DurableFile::fail(const QString& reason)
{
    // The first reason is the one that explains the others.
    if (!m_failed)
        setErrorString(reason);
    m_failed = true;
}

bool DurableFile::prepareCommit()
{
    if (m_prepared)
        return true;
    if (!isOpen() || m_fd < 0) {
        if (errorString().isEmpty())
            setErrorString(QStringLiteral("書き込むファイルが開かれていません。"));
        return false;
    }
    if (!m_failed && writeBuffer()) {
        const QString why = syncAndClose(std::exchange(m_fd, -1), [this](int fd) { return syncToDisk(fd); });
        if (!why.isEmpty())
            fail(why);
    }
    if (m_failed) {
        discard();
        return false;
    }
    m_prepared = true;
    return true;
}

namespace {

// Renames from to to only where nothing has that name: 0, or -1 with errno set (EEXIST for a name taken).
int renameNew(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL)
        return -1;
    // A file system that cannot rename so: a second name fails just the same on a name taken.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData()); // should it stay, it is removed as a stale temporary file next time
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
        return -1;
    // Nor any second name: a look first, leaving only the moment before the rename to chance.
    struct stat existing { };
    if (::lstat(to.constData(), &existing) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.constData(), to.constData());
}

} // namespace

bool DurableFile::commit()
{
    if (!prepareCommit())
        return false;
    // Looked at again: what was put at the name while the file was written is not replaced either.
    struct stat existing { };
    if (const QString why = notOursToReplace(m_target, &existing); !why.isEmpty()) {
        fail(why);
        discard();
        return false;
    }
    if ((m_neverReplace ? renameNew(m_temporary, m_target) : ::rename(m_temporary.constData(), m_target.constData()))
        != 0) {
        fail(fileReason("書き終えた一時ファイルを元の名前にできません（%1）。", errno));
        discard();
        return false;
    }
    m_temporary.clear();
    m_prepared = false;
    closeLock();
    QIODevice::close();
    // The new content is in place, but without the folder on disk a power cut could bring the old one back.
    QString folderError;
    if (!syncFolderOf(m_target, &folderError)) {
        setErrorString(folderError);
        return false;
    }
    return true;
}

void DurableFile::closeLock()
{
    // Only held, never written through: closing it loses nothing.
    if (m_lock >= 0)
        ::close(std::exchange(m_lock, -1));
}

void DurableFile::cancelWriting()
{
    discard();
}

void DurableFile::discard()
{
    // Harmless when these fail: the target is untouched, and a temporary file left behind is removed when the
    // file is opened again.
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.isEmpty())
        ::unlink(std::exchange(m_temporary, QByteArray()).constData());
    closeLock();
    m_buffer.clear();
    m_prepared = false;
    if (isOpen())
        QIODevice::close();
}

void removeStaleTemporaries(const QString& path)
{
    removeStaleTemporaries(QFile::encodeName(path));
}

bool writeFileDurably(const QString& path, const QByteArray& content, QString* error)
{
    DurableFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

bool writeNewFileDurably(const QString& path, const QByteArray& content, QString* error)
{
    DurableFile file(path);
    file.setNeverReplace();
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

QString notWrittenMessage(const QString& what, const QString& path, const QString& reason)
{
    return QStringLiteral("%1「%2」を書き込めませんでした。\n%3").arg(what, QDir::toNativeSeparators(path), reason);
}

bool writeFileNamed(const QString& path, const QByteArray& content, const QString& what, QString* error)
{
    QString reason;
    if (writeFileDurably(path, content, &reason))
        return true;
    if (error)
        *error = notWrittenMessage(what, path, reason);
    return false;
}

namespace {

// All of bytes written from offset at on: 0, or the error that stopped it (a write that takes nothing is a
// full disk).
int writeAllAt(int fd, const QByteArray& bytes, off_t at)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written
            = ::pwrite(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done), at + done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : ENOSPC;
        done += written;
    }
    return 0;
}

// The tail of a write in place: synced and closed, and a file made just now synced into its folder.
bool finishInPlace(int fd, const QByteArray& name, bool created, bool dataOnly, QString* why)
{
    *why = syncAndClose(fd, [dataOnly](int open) { return (dataOnly ? ::fdatasync(open) : ::fsync(open)) == 0; });
    return why->isEmpty() && (!created || syncFolderOf(name, why));
}

// A file opened in place to write: its name as the file system's bytes, and whether it was made just now.
struct InPlaceFile {
    QByteArray name;
    int fd = -1;
    bool created = false;
};

InPlaceFile openInPlace(const QString& path, int access, QString* why)
{
    InPlaceFile file { QFile::encodeName(path) };
    file.fd = openFileInPlace(file.name, access, &file.created, why);
    return file;
}

// After a failed write: closed, and a file made just now removed, as it would only stand for what was never
// written. Tidying up only: the failure is said already.
void dropInPlace(const InPlaceFile& file)
{
    ::close(file.fd);
    if (file.created)
        ::unlink(file.name.constData());
}

// The text in error, when given; false, to be returned.
bool failedWith(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

bool overwriteFileStart(const QString& path, const QByteArray& bytes, QString* error)
{
    QString why;
    const InPlaceFile file = openInPlace(path, O_WRONLY, &why);
    if (file.fd < 0)
        return failedWith(error, why);
    if (const int code = writeAllAt(file.fd, bytes, 0)) {
        dropInPlace(file);
        return failedWith(error, fileReason(CannotWrite, code));
    }
    return finishInPlace(file.fd, file.name, file.created, false, &why) || failedWith(error, why);
}

bool appendFileDurably(const QString& path, const QByteArray& header, const QByteArray& bytes, QString* error)
{
    QString why;
    // Read and write: the last byte is read through the same descriptor, never through the name again.
    const InPlaceFile file = openInPlace(path, O_RDWR, &why);
    if (file.fd < 0)
        return failedWith(error, why);
    struct stat status { };
    if (::fstat(file.fd, &status) != 0) {
        const int code = errno;
        ::close(file.fd); // nothing written yet
        return failedWith(error, fileReason(CannotOpen, code));
    }
    const off_t before = status.st_size;
    QByteArray out;
    if (before == 0) {
        out = header;
    } else {
        // A line cut short by a crash stays as it is, on a line of its own.
        char last = '\n';
        if (::pread(file.fd, &last, 1, before - 1) != 1) {
            const int code = errno;
            ::close(file.fd); // nothing written yet
            return failedWith(error, fileReason("読めません（%1）。", code));
        }
        if (last != '\n')
            out = "\r\n";
    }
    out += bytes;
    if (const int code = writeAllAt(file.fd, out, before)) {
        // Whole lines or nothing: what went in of this one is taken out again. Should that fail too, the
        // failure is said all the same, and the next line starts a line of its own after the cut one.
        if (::ftruncate(file.fd, before) == 0)
            ::fdatasync(file.fd);
        dropInPlace(file);
        return failedWith(error, fileReason(CannotWrite, code));
    }
    return finishInPlace(file.fd, file.name, file.created, true, &why) || failedWith(error, why);
}

} // namespace norvel
