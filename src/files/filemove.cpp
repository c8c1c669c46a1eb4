#include "files/filemove.h"

#include "files/durablefile.h"
#include "files/filereason.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvel {

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QString cannotMoveMessage(const QByteArray& from, const QByteArray& to, const QString& why)
{
    return QStringLiteral("「%1」を「%2」に移せませんでした。\n%3")
        .arg(native(QFile::decodeName(from)), native(QFile::decodeName(to)), why);
}

namespace {

// A link is moved as the link: what it points at is not the mover's to give away.
bool relink(const QByteArray& from, const QByteArray& to, QString* reason)
{
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlink(from.constData(), target.data(), static_cast<std::size_t>(target.size()));
    if (length < 0 || length >= target.size()) {
        *reason = cannotMoveMessage(from, to, qt_error_string(length < 0 ? errno : ENAMETOOLONG));
        return false;
    }
    target.truncate(length);
    if (::symlink(target.constData(), to.constData()) != 0) {
        *reason = cannotMoveMessage(from, to, qt_error_string(errno));
        return false;
    }
    // The original goes next: the new link must be on disk first.
    QString why;
    if (!syncFolderOf(to, &why)) {
        *reason = cannotMoveMessage(from, to, why);
        ::unlink(to.constData()); // the original stays; a link left beside it would only be a second copy
        return false;
    }
    return true;
}

// Copy, sync, then delete the original: the original goes only once the copy is safely on disk.
bool copy(const QByteArray& from, const QByteArray& to, QString* reason)
{
    const int source = ::open(from.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (source < 0) {
        *reason = cannotMoveMessage(from, to, qt_error_string(errno));
        return false;
    }
    DurableFile duplicate(NativePath { to });
    bool copied = duplicate.open(QIODevice::WriteOnly);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    while (copied) {
        const ssize_t got = ::read(source, chunk.data(), static_cast<std::size_t>(chunk.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *reason = cannotMoveMessage(from, to, qt_error_string(errno));
            ::close(source); // only read from: closing it loses nothing
            return false; // the unfinished copy is discarded with the DurableFile
        }
        if (got == 0)
            break;
        copied = duplicate.write(chunk.constData(), got) == got;
    }
    ::close(source); // only read from: closing it loses nothing
    // commit() syncs the data and the folder before the original goes.
    if (!copied || !duplicate.commit()) {
        *reason = cannotMoveMessage(from, to, duplicate.errorString());
        // A commit that failed only at syncing the folder left the copy in place: the subfolder is new, so it
        // is nobody's but this move's. Should removing it fail, a spare copy stays; the original is kept anyway.
        ::unlink(to.constData());
        return false;
    }
    return true;
}

bool copyThenRemove(const QByteArray& from, const QByteArray& to, QString* reason)
{
    struct stat info { };
    if (::lstat(from.constData(), &info) != 0) {
        *reason = cannotMoveMessage(from, to, qt_error_string(errno));
        return false;
    }
    if (!S_ISLNK(info.st_mode) && !S_ISREG(info.st_mode)) {
        *reason = cannotMoveMessage(
            from, to, QStringLiteral("普通のファイルではありません（フォルダ、装置、パイプなど）。"));
        return false;
    }
    if (!(S_ISLNK(info.st_mode) ? relink(from, to, reason) : copy(from, to, reason)))
        return false;
    if (::unlink(from.constData()) != 0) {
        // Two copies would be moved twice: keep the shot where it was instead.
        *reason = cannotMoveMessage(from, to, qt_error_string(errno));
        if (::unlink(to.constData()) != 0)
            *reason += QStringLiteral("\n写しも「%1」に残りました（%2）。")
                           .arg(native(QFile::decodeName(to)), qt_error_string(errno));
        return false;
    }
    // Harmless when the camera folder cannot be synced: a power cut could at worst bring the original back
    // beside its copy, to be taken in or set aside once more; the shot is never lost.
    (void)syncFolderOf(from);
    return true;
}

} // namespace

bool moveFileDurably(const QByteArray& from, const QByteArray& to, QString* reason)
{
    if (::rename(from.constData(), to.constData()) == 0) {
        // Harmless when these fail: a rename within one file system is whole, so a power cut before the folders
        // reach the disk could at worst bring the shot back to the camera folder, never lose it.
        (void)syncFolderOf(to);
        (void)syncFolderOf(from);
        return true;
    }
    const int error = errno;
    if (error == EXDEV)
        return copyThenRemove(from, to, reason);
    *reason = cannotMoveMessage(from, to, qt_error_string(error));
    return false;
}

namespace {

// Whether the open file holds exactly content; a file shorter or longer differs, and so does one that cannot be
// read back.
bool holds(int fd, const QByteArray& content)
{
    // A small buffer used over and over: a fresh picture-sized one costs more to touch than the reading.
    char chunk[1 << 16];
    qsizetype at = 0;
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return at == content.size();
        if (got > content.size() - at || std::memcmp(chunk, content.constData() + at, std::size_t(got)) != 0)
            return false;
        at += got;
    }
}

} // namespace

LinkOutcome linkFileDurably(const QByteArray& existing, const QByteArray& target, const FileStamp& expected,
    const QByteArray& content, FileStamp* linked, QString* error)
{
    if (::linkat(AT_FDCWD, existing.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) != 0) {
        const int code = errno;
        // No second name to be had here; the bytes are to be written instead.
        if (code == EXDEV || code == EPERM || code == EMLINK || code == ENOTSUP || code == EOPNOTSUPP)
            return LinkOutcome::NotLinkable;
        *error = fileReason(CannotWrite, code);
        return LinkOutcome::Failed;
    }
    const int fd = ::open(target.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status { };
    int code = fd < 0 || ::fstat(fd, &status) != 0 ? errno : 0;
    // Replaced or changed since it was read: the copy must be of what was measured. The new name itself moved
    // the change time, so that is left out here.
    FileStamp now = stampOf(status);
    now.changedNs = expected.changedNs;
    const bool same = code == 0 && now == expected && holds(fd, content);
    if (same && ::fsync(fd) != 0)
        code = errno;
    if (fd >= 0)
        ::close(fd);
    if (same && code == 0 && syncFolderOf(target, error)) {
        *linked = stampOf(status);
        return LinkOutcome::Linked;
    }
    ::unlink(target.constData());
    if (code != 0) {
        *error = fileReason(CannotSync, code);
        return LinkOutcome::Failed;
    }
    return same ? LinkOutcome::Failed : LinkOutcome::Changed;
}

} // namespace norvel
