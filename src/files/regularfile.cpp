#include "files/regularfile.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvel {

namespace {

RegularFile failed(RegularFile::Status status, const QString& error)
{
    RegularFile result;
    result.status = status;
    result.error = error;
    return result;
}

QString megabytes(qint64 bytes)
{
    constexpr qint64 megabyte = 1024 * 1024;
    if (bytes < megabyte)
        return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
    return QStringLiteral("%1 MB").arg((bytes + megabyte - 1) / megabyte);
}

} // namespace

FileStamp stampOf(const struct stat& status)
{
    return { quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
        qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1'000'000,
        qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
        qint64(status.st_ctim.tv_sec) * 1'000'000'000 + status.st_ctim.tv_nsec };
}

std::optional<FileStamp> regularFileStamp(const QByteArray& nativePath)
{
    struct stat status { };
    if (::stat(nativePath.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return stampOf(status);
}

RegularFile openRegularFile(const QByteArray& nativePath, qint64 limit)
{
    if (nativePath.isEmpty() || nativePath.contains('\0'))
        return failed(RegularFile::Status::Failed, QStringLiteral("ファイル名が正しくありません。"));
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return failed(RegularFile::Status::Missing, QStringLiteral("ファイルがありません。"));
        return failed(RegularFile::Status::Failed, QStringLiteral("開けません（%1）。").arg(qt_error_string(error)));
    }
    struct stat status { };
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return failed(RegularFile::Status::Failed, QStringLiteral("読めません（%1）。").arg(qt_error_string(error)));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return failed(RegularFile::Status::Refused,
            S_ISDIR(status.st_mode)
                ? QStringLiteral("ファイルではなくフォルダです。")
                : QStringLiteral("普通のファイルではありません（装置、パイプなど）。読みませんでした。"));
    }
    if (status.st_size > limit) {
        ::close(fd);
        return failed(RegularFile::Status::Refused,
            QStringLiteral("%1あり、この種類のファイルの上限%2を超えています。読みませんでした。")
                .arg(megabytes(status.st_size), megabytes(limit)));
    }
    // Reading blocks as usual from here on: a regular file never waits for a writer. Should clearing the flag
    // fail, nothing changes on disk, and a regular file's reads are the same with it.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    RegularFile result;
    result.file = std::make_unique<QFile>();
    if (!result.file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failed(
            RegularFile::Status::Failed, QStringLiteral("読めません（%1）。").arg(result.file->errorString()));
    }
    result.status = RegularFile::Status::Opened;
    result.size = status.st_size;
    result.stamp = stampOf(status);
    return result;
}

RegularFile openRegularFile(const QString& path, qint64 limit)
{
    return openRegularFile(QFile::encodeName(path), limit);
}

FileContent readRegularFile(const QByteArray& nativePath, qint64 limit)
{
    RegularFile opened = openRegularFile(nativePath, limit);
    FileContent result;
    result.status = opened.status;
    result.error = opened.error;
    if (opened.status != RegularFile::Status::Opened)
        return result;
    result.content = opened.file->read(opened.size);
    if (result.content.size() != opened.size) {
        result.status = RegularFile::Status::Failed;
        result.error = opened.file->error() != QFileDevice::NoError
            ? QStringLiteral("読めません（%1）。").arg(opened.file->errorString())
            : QStringLiteral("読んでいる間にファイルが短くなりました。");
        result.content.clear();
    }
    return result;
}

FileContent readRegularFile(const QString& path, qint64 limit)
{
    return readRegularFile(QFile::encodeName(path), limit);
}

} // namespace norvel
