#include "acquisition/setaside.h"

#include "files/durablefolder.h"
#include "files/filemove.h"

#include <QDir>
#include <QFile>

namespace norvel {

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// A new, empty subfolder; never one that holds files already, so nothing in it is ever replaced.
QString makeSubfolder(const QString& programFolder, const QDateTime& when, QString* reason)
{
    const QString base = programFolder + QLatin1Char('/') + SetAsideFolderName;
    if (!makeFolderDurably(base, reason))
        return {};
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString folder = base + QLatin1Char('/') + setAsideSubfolderName(when, attempt);
        // Shots go into it only once it is on disk; else none go.
        switch (makeNewFolder(folder, reason)) {
        case NewFolder::Made:
            return folder;
        case NewFolder::Failed:
            return {};
        case NewFolder::Taken:
            break;
        }
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
            result.failed.push_back({ name, cannotMoveMessage(from + name, base, reason) });
        return result;
    }
    const QByteArray to = QFile::encodeName(folder) + '/';
    for (const QByteArray& name : names) {
        if (moveFileDurably(from + name, to + name, &reason))
            result.moved << name;
        else
            result.failed.push_back({ name, reason });
    }
    // Harmless when it stays: an empty folder holds nothing, and the next batch makes a new one.
    if (result.moved.isEmpty())
        (void)removeEmptyFolder(folder);
    else
        result.folder = folder;
    return result;
}

} // namespace norvel
