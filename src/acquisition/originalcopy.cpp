#include "acquisition/originalcopy.h"

#include "files/durablefile.h"
#include "files/durablefolder.h"
#include "files/filemove.h"

#include <QFile>
#include <QFileInfo>

namespace norvel {

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
