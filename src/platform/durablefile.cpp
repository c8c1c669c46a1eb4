#include "platform/durablefile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
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

// What a write killed half-way left beside the target: "name." and six letters or digits. Read straight from
// the folder, unsorted and without a look at each entry: a pole's folder of pictures is read at every filing.
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
        struct stat status { };
        const bool regular = entry->d_type == DT_REG
            || (entry->d_type == DT_UNKNOWN && ::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0
                && S_ISREG(status.st_mode));
        if (regular)
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

} // namespace

void syncFolderOf(const QByteArray& nativePath)
{
    const qsizetype slash = nativePath.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : nativePath.left(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // Some file systems cannot sync a folder (EINVAL); the file itself is synced already.
    ::fsync(fd);
    ::close(fd);
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
        setErrorString(QStringLiteral("only writing a new file is supported"));
        return false;
    }
    removeStaleTemporaries(m_target);
    const QByteArray& target = m_target;
    m_temporary = target + QByteArray(".XXXXXX");
    m_fd = ::mkostemp(m_temporary.data(), O_CLOEXEC);
    if (m_fd < 0) {
        setErrorString(qt_error_string(errno));
        m_temporary.clear();
        return false;
    }
    // The file that replaces another keeps its permissions; a new one gets the usual ones, not mkstemp's 0600.
    struct stat existing { };
    ::fchmod(m_fd, ::stat(target.constData(), &existing) == 0 ? existing.st_mode & 07777 : newFileMode());
    m_failed = false;
    m_buffer.clear();
    setErrorString(QString());
    return QIODevice::open(WriteOnly | Unbuffered);
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
            fail(qt_error_string(written < 0 && errno != 0 ? errno : ENOSPC));
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
            setErrorString(QStringLiteral("the file is not open"));
        return false;
    }
    if (!m_failed && writeBuffer()) {
        errno = 0;
        if (!syncToDisk(m_fd))
            fail(qt_error_string(errno != 0 ? errno : EIO));
    }
    if (!m_failed) {
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0)
            fail(qt_error_string(errno));
    }
    if (m_failed) {
        discard();
        return false;
    }
    m_prepared = true;
    return true;
}

bool DurableFile::commit()
{
    if (!prepareCommit())
        return false;
    if (::rename(m_temporary.constData(), m_target.constData()) != 0) {
        fail(qt_error_string(errno));
        discard();
        return false;
    }
    m_temporary.clear();
    m_prepared = false;
    QIODevice::close();
    syncFolderOf(m_target);
    return true;
}

void DurableFile::cancelWriting()
{
    discard();
}

void DurableFile::discard()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.isEmpty())
        ::unlink(std::exchange(m_temporary, QByteArray()).constData());
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

} // namespace

bool overwriteFileStart(const QString& path, const QByteArray& bytes, QString* error)
{
    const auto failed = [&](int code) {
        if (error)
            *error = qt_error_string(code);
        return false;
    };
    const QByteArray name = QFile::encodeName(path);
    const bool existed = ::access(name.constData(), F_OK) == 0;
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return failed(errno);
    if (const int code = writeAllAt(fd, bytes, 0)) {
        ::close(fd);
        // An empty file made just now would only stand for a record that was never written.
        if (!existed)
            ::unlink(name.constData());
        return failed(code);
    }
    if (::fsync(fd) != 0) {
        const int code = errno;
        ::close(fd);
        return failed(code);
    }
    if (::close(fd) != 0)
        return failed(errno);
    if (!existed)
        syncFolderOf(name);
    return true;
}

bool appendFileDurably(const QString& path, const QByteArray& header, const QByteArray& bytes, QString* error)
{
    const auto failed = [&](int code) {
        if (error)
            *error = qt_error_string(code);
        return false;
    };
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return failed(errno);
    struct stat status { };
    if (::fstat(fd, &status) != 0) {
        const int code = errno;
        ::close(fd);
        return failed(code);
    }
    const off_t before = status.st_size;
    QByteArray out;
    if (before == 0) {
        out = header;
    } else {
        // A line cut short by a crash stays as it is, on a line of its own.
        const int reader = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        char last = '\n';
        if (reader >= 0) {
            if (::pread(reader, &last, 1, before - 1) != 1)
                last = '\n';
            ::close(reader);
        }
        if (last != '\n')
            out = "\r\n";
    }
    out += bytes;
    if (const int code = writeAllAt(fd, out, before)) {
        // Whole lines or nothing: what went in of this one is taken out again.
        if (::ftruncate(fd, before) == 0)
            ::fdatasync(fd);
        ::close(fd);
        if (before == 0)
            ::unlink(name.constData());
        return failed(code);
    }
    if (::fdatasync(fd) != 0) {
        const int code = errno;
        ::close(fd);
        return failed(code);
    }
    if (::close(fd) != 0)
        return failed(errno);
    if (before == 0)
        syncFolderOf(name);
    return true;
}

} // namespace norvel
