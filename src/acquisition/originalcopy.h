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

// How an original was kept: what the camera's name must still show for the shot to leave the camera folder.
struct KeptOriginal {
    bool linked = false; // the kept original is the camera's own file under a second name
    FileStamp stamp; // the camera's file as read, or once linked (the second name moves its change time)
};

// Keeps the original at path (whose folder is made when missing): a second name for the camera's file where
// both are on one file system and the file still holds the bytes read, so nothing is copied, else the bytes
// read written through the durable writer. Either way it is on disk when this returns true; false with a
// message naming the file.
[[nodiscard]] bool keepOriginal(
    const CameraOriginal& original, const QString& path, QString* error, KeptOriginal* kept = nullptr);

// Whether the camera's name still shows the file as expected (read, or kept): a camera that writes the name
// again, in place or anew, makes a new shot of it, which is taken in on its own rather than deleted unseen.
[[nodiscard]] bool cameraFileUnchanged(const CameraOriginal& original, const FileStamp& expected);

// A kept original that is the camera's file must still hold the bytes read once the camera wrote its name
// again: when it changed with it, it is written anew from those bytes. False with a message naming the file.
[[nodiscard]] bool keepOriginalApart(
    const CameraOriginal& original, const QString& path, const KeptOriginal& kept, QString* error);

} // namespace norvel
