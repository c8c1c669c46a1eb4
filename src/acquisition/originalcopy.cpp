#include "acquisition/originalcopy.h"

#include "files/durablefile.h"
#include "files/filemove.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace norvel {

QString originalFileName(const QString& pole, int row, const QString& cameraName)
{
    return pole + QLatin1Char('_') + QString::number(row) + QLatin1Char('_') + cameraName;
}

QString freeFileName(const QString& name, const std::function<bool(const QString&)>& taken)
{
    if (!taken(name))
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype split = dot > 0 ? dot : name.size();
    for (int n = 2;; ++n) {
        const QString candidate = name.left(split) + QLatin1Char('_') + QString::number(n) + name.mid(split);
        if (!taken(candidate))
            return candidate;
    }
}

bool keepOriginal(const CameraOriginal& original, const QString& path, QString* error)
{
    QString reason;
    const QString folder = QFileInfo(path).path();
    if (!QFileInfo(folder).isDir()) {
        // A new folder's name must outlast a power cut as much as the file in it.
        if (!QDir().mkpath(folder) || !syncFolderOf(QFile::encodeName(folder), &reason)) {
            *error = QStringLiteral("フォルダ「%1」を作成できませんでした。%2")
                         .arg(QDir::toNativeSeparators(folder), reason);
            return false;
        }
    }
    switch (linkFileDurably(original.cameraPath, QFile::encodeName(path), original.stamp, &reason)) {
    case LinkOutcome::Linked:
        return true;
    case LinkOutcome::NotLinkable:
        if (writeFileDurably(path, original.bytes, &reason))
            return true;
        break;
    case LinkOutcome::Failed:
        break;
    }
    *error = notWrittenMessage(QStringLiteral("原画像"), path, reason);
    return false;
}

} // namespace norvel
