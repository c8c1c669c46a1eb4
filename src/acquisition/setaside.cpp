#include "acquisition/setaside.h"

#include "platform/durablefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace norvel {

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString cannotMove(const QString& from, const QString& to, const QString& why)
{
    return QStringLiteral("「%1」を「%2」に移せませんでした。\n%3").arg(native(from), native(to), why);
}

// Copy, sync, then delete the original: the original goes only once the copy is safely on disk.
bool copyThenRemove(const QString& from, const QString& to, QString* reason)
{
    QFile source(from);
    DurableFile copy(to);
    if (!source.open(QIODevice::ReadOnly)) {
        *reason = cannotMove(from, to, source.errorString());
        return false;
    }
    if (!copy.open(QIODevice::WriteOnly)) {
        *reason = cannotMove(from, to, copy.errorString());
        return false;
    }
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = source.read(chunk.data(), chunk.size());
        if (got < 0) {
            *reason = cannotMove(from, to, source.errorString());
            return false; // the unfinished copy is discarded with the QSaveFile
        }
        if (got == 0)
            break;
        if (copy.write(chunk.constData(), got) != got) {
            *reason = cannotMove(from, to, copy.errorString());
            return false;
        }
    }
    // commit() syncs the data and the folder before the original goes.
    if (!copy.commit()) {
        *reason = cannotMove(from, to, copy.errorString());
        return false;
    }
    source.close();
    if (!source.remove()) {
        // Two copies would be moved twice: keep the shot where it was instead.
        *reason = cannotMove(from, to, source.errorString());
        QFile::remove(to);
        return false;
    }
    return true;
}

bool moveFile(const QString& from, const QString& to, QString* reason)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) {
        syncFolder(QFileInfo(to).path());
        syncFolder(QFileInfo(from).path());
        return true;
    }
    const int error = errno;
    if (error == EXDEV)
        return copyThenRemove(from, to, reason);
    *reason = cannotMove(from, to, QString::fromLocal8Bit(std::strerror(error)));
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
            syncFolder(base);
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
    const QString& programFolder, const QString& fromFolder, const QStringList& names, const QDateTime& when)
{
    SetAsideResult result;
    if (names.isEmpty())
        return result;
    const QString from = fromFolder.endsWith(QLatin1Char('/')) ? fromFolder : fromFolder + QLatin1Char('/');
    QString reason;
    const QString folder = makeSubfolder(programFolder, when, &reason);
    if (folder.isEmpty()) {
        const QString base = programFolder + QLatin1Char('/') + SetAsideFolderName;
        for (const QString& name : names)
            result.failed.push_back({ name, cannotMove(from + name, base, reason) });
        return result;
    }
    for (const QString& name : names) {
        if (moveFile(from + name, folder + QLatin1Char('/') + name, &reason))
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
