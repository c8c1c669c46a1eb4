#include "acquisition/originalcopy.h"

#include "files/durablefile.h"
#include "files/durablefolder.h"
#include "files/filemove.h"
#include "files/folderlisting.h"
#include "files/regularfile.h"

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

bool keepOriginal(const CameraOriginal& original, const QString& path, QString* error, KeptOriginal* kept)
{
    // A new folder's name must outlast a power cut as much as the file in it.
    if (!makeFolderDurably(QFileInfo(path).path(), error))
        return false;
    QString reason;
    FileStamp linked;
    const LinkOutcome outcome = linkFileDurably(
        original.cameraPath, QFile::encodeName(path), original.stamp, original.bytes, &linked, &reason);
    switch (outcome) {
    case LinkOutcome::Linked:
        if (kept)
            *kept = { true, linked };
        return true;
    case LinkOutcome::NotLinkable:
    case LinkOutcome::Changed:
        if (writeFileDurably(path, original.bytes, &reason)) {
            // A file that no longer holds what was read is a new shot under the camera's name, whatever its stamp.
            if (kept)
                *kept = { false, outcome == LinkOutcome::Changed ? FileStamp {} : original.stamp };
            return true;
        }
        break;
    case LinkOutcome::Failed:
        break;
    }
    *error = notWrittenMessage(QStringLiteral("原画像"), path, reason);
    return false;
}

bool cameraFileUnchanged(const CameraOriginal& original, const FileStamp& expected)
{
    return regularFileStamp(original.cameraPath) == expected;
}

bool keepOriginalApart(const CameraOriginal& original, const QString& path, const KeptOriginal& kept, QString* error)
{
    // Replaced at the camera's name, the linked file is still the one read; written in place, it is not.
    if (!kept.linked || regularFileStamp(QFile::encodeName(path)) == kept.stamp)
        return true;
    return writeFileNamed(path, original.bytes, QStringLiteral("原画像"), error);
}

} // namespace norvel
