#include "acquisition/originalcopy.h"

#include "files/durablefile.h"
#include "files/durablefolder.h"
#include "files/filemove.h"
#include "files/folderlisting.h"

#include <QFile>
#include <QFileInfo>

namespace norvel {

QString keptOriginalName(const QString& poleFolder, const QString& pole, int row)
{
    const QByteArray prefix = QFile::encodeName(originalFileName(pole, row, QString()));
    FolderListing listing(QFile::encodeName(poleFolder + QLatin1Char('/') + OriginalsFolderName));
    QByteArray first;
    while (const std::optional<FolderEntry> entry = listing.next()) {
        if (entry->type == EntryType::Regular && entry->name.startsWith(prefix)
            && (first.isEmpty() || entry->name < first))
            first = entry->name;
    }
    return QFile::decodeName(first);
}

bool keepOriginal(const CameraOriginal& original, const QString& path, QString* error)
{
    // A new folder's name must outlast a power cut as much as the file in it.
    if (!makeFolderDurably(QFileInfo(path).path(), error))
        return false;
    QString reason;
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
