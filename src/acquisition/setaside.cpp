#include "acquisition/setaside.h"

#include "platform/durablefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvel {

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString cannotMove(const QByteArray& from, const QByteArray& to, const QString& why)
{
    return QStringLiteral("「%1」を「%2」に移せませんでした。\n%3")
        .arg(native(QFile::decodeName(from)), native(QFile::decodeName(to)), why);
}

// A link is moved as the link: what it points at is not the camera's to give away.
bool relink(const QByteArray& from, const QByteArray& to, QString* reason)
{
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlink(from.constData(), target.data(), static_cast<std::size_t>(target.size()));
    if (length < 0 || length >= target.size()) {
        *reason = cannotMove(from, to, qt_error_string(length < 0 ? errno : ENAMETOOLONG));
        return false;
    }
    target.truncate(length);
    if (::symlink(target.constData(), to.constData()) != 0) {
        *reason = cannotMove(from, to, qt_error_string(errno));
        return false;
    }
    syncFolderOf(to);
    return true;
}

// Copy, sync, then delete the original: the original goes only once the copy is safely on disk.
bool copy(const QByteArray& from, const QByteArray& to, QString* reason)
{
    const int source = ::open(from.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (source < 0) {
        *reason = cannotMove(from, to, qt_error_string(errno));
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
            *reason = cannotMove(from, to, qt_error_string(errno));
            ::close(source);
            return false; // the unfinished copy is discarded with the DurableFile
        }
        if (got == 0)
            break;
        copied = duplicate.write(chunk.constData(), got) == got;
    }
    ::close(source);
    // commit() syncs the data and the folder before the original goes.
    if (!copied || !duplicate.commit()) {
        *reason = cannotMove(from, to, duplicate.errorString());
        return false;
    }
    return true;
}

bool copyThenRemove(const QByteArray& from, const QByteArray& to, QString* reason)
{
    struct stat info { };
    if (::lstat(from.constData(), &info) != 0) {
        *reason = cannotMove(from, to, qt_error_string(errno));
        return false;
    }
    if (!S_ISLNK(info.st_mode) && !S_ISREG(info.st_mode)) {
        *reason = cannotMove(from, to, qt_error_string(EINVAL));
        return false;
    }
    if (!(S_ISLNK(info.st_mode) ? relink(from, to, reason) : copy(from, to, reason)))
        return false;
    if (::unlink(from.constData()) != 0) {
        // Two copies would be moved twice: keep the shot where it was instead.
        *reason = cannotMove(from, to, qt_error_string(errno));
        ::unlink(to.constData());
        return false;
    }
    syncFolderOf(from);
    return true;
}

bool moveFile(const QByteArray& from, const QByteArray& to, QString* reason)
{
    if (::rename(from.constData(), to.constData()) == 0) {
        syncFolderOf(to);
        syncFolderOf(from);
        return true;
    }
    const int error = errno;
    if (error == EXDEV)
        return copyThenRemove(from, to, reason);
    *reason = cannotMove(from, to, qt_error_string(error));
    return false;
}

// A new, empty subfolder; never one that holds files already, so nothing in it is ever replaced.
QString makeSubfolder(const QString& programFolder, const QDateTime& when, QString* reason)
{
    const QString base = programFolder + QLatin1Char('/') + SetAsideFolderName;
    if (!QDir().mkpath(base)) {
        *reason = QStringLiteral("フォルダ「%1」を作成できませんでした。").arg(native(base));
        return {};
    }
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString folder = base + QLatin1Char('/') + setAsideSubfolderName(when, attempt);
        if (QDir().mkdir(folder)) {
            syncFolderOf(QFile::encodeName(folder));
            return folder;
        }
        if (!QFileInfo::exists(folder))
            break;
    }
    *reason = QStringLiteral("フォルダ「%1」の中にフォルダを作成できませんでした。").arg(native(base));
    return {};
}

} // namespace

QString setAsideSubfolderName(const QDateTime& when, int attempt)
{
    const QString stamp = when.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    return attempt <= 1 ? stamp : stamp + QLatin1Char('_') + QString::number(attempt);
}

SetAsideResult setAside(
    const QString& programFolder, const QString& fromFolder, const QList<QByteArray>& names, const QDateTime& when)
{
    SetAsideResult result;
    if (names.isEmpty())
        return result;
    QByteArray from = QFile::encodeName(fromFolder);
    if (!from.endsWith('/'))
        from += '/';
    QString reason;
    const QString folder = makeSubfolder(programFolder, when, &reason);
    if (folder.isEmpty()) {
        const QByteArray base = QFile::encodeName(programFolder + QLatin1Char('/') + SetAsideFolderName);
        for (const QByteArray& name : names)
            result.failed.push_back({ name, cannotMove(from + name, base, reason) });
        return result;
    }
    const QByteArray to = QFile::encodeName(folder) + '/';
    for (const QByteArray& name : names) {
        if (moveFile(from + name, to + name, &reason))
            result.moved << name;
        else
            result.failed.push_back({ name, reason });
    }
    if (result.moved.isEmpty())
        QDir().rmdir(folder);
    else
        result.folder = folder;
    return result;
}

} // namespace norvel
