#include "acquisition/originalcopy.h"

#include "files/durablefile.h"
#include "files/durablefolder.h"
#include "files/filemove.h"
#include "files/folderlisting.h"
#include "files/regularfile.h"

#include <QDir>
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

namespace {

// A link the program did not make may lead anywhere, out of the program's folder too: nothing is written through
// it, and the shot goes to 未取込 instead, as any shot whose original could not be kept.
bool throughLink(const QString& what, const QString& path, QString* error)
{
    if (!isLink(QFile::encodeName(path)))
        return false;
    *error = QStringLiteral("%1「%2」はリンクのため、原画像を保存せず、撮影画像を未取込に移しました。")
                 .arg(what, QDir::toNativeSeparators(path));
    return true;
}

} // namespace

bool keepOriginal(const CameraOriginal& original, const QString& path, QString* error, KeptOriginal* kept)
{
    const QString folder = QFileInfo(path).path();
    // A new folder's name must outlast a power cut as much as the file in it.
    if (throughLink(QStringLiteral("原画像のフォルダ"), folder, error) || !makeFolderDurably(folder, error)
        || throughLink(QStringLiteral("原画像の保存先"), path, error))
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
        if (writeNewFileDurably(path, original.bytes, &reason)) {
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
    if (isLink(QFile::encodeName(path))) {
        *error = notWrittenMessage(QStringLiteral("原画像"), path, QStringLiteral("リンクに置き換えられていました。"));
        return false;
    }
    return writeFileNamed(path, original.bytes, QStringLiteral("原画像"), error);
}

} // namespace norvel
