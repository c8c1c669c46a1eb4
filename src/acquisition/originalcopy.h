#pragma once

#include "core/dayfolder.h"
#include "files/regularfile.h"

#include <QByteArray>
#include <QString>

// The camera's own file, kept byte for byte beside the filed JPEG: the filed copy is re-encoded, and only
// the original carries the camera's quality and the time of the shot in its Exif.
namespace norvel {

// A shot as it was read for decoding.
struct CameraOriginal {
    QByteArray cameraPath; // as the file system's bytes
    QByteArray bytes; // the whole file
    FileStamp stamp; // of the file read
};

// The kept original of a pole's row in the pole folder's 原画像: the first name made for it (whatever the camera called
// the shot); empty when there is none.
[[nodiscard]] QString keptOriginalName(const QString& poleFolder, const QString& pole, int row);

// Keeps the original at path (whose folder is made when missing): a second name for the camera's file where
// both are on one file system, so nothing is copied, else its bytes written through the durable writer.
// Either way it is on disk when this returns true; false with a message naming the file.
[[nodiscard]] bool keepOriginal(const CameraOriginal& original, const QString& path, QString* error);

} // namespace norvel
