#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Reading the picture files the camera drops or the user opens.
namespace norvel {

// Big enough for camera pictures of 8000 x 6000 and more; Qt's default of 256 MB is not.
inline constexpr int PictureAllocationLimitMB = 1024;

struct PictureLoad {
    QImage image; // null when the file could not be read as a picture
    QString error; // why not, in words a user can act on; empty on success
    [[nodiscard]] bool ok() const { return !image.isNull(); }
};

// Loads a JPEG, BMP or any other format Qt reads, decided by the content and not the name. A file that
// is cut short (a camera may still be writing it) counts as unreadable, although Qt's decoders would
// pad it and report success.
[[nodiscard]] PictureLoad loadPicture(const QString& path);
[[nodiscard]] PictureLoad decodePicture(const QByteArray& data);

// Whether a JPEG stream runs from its start-of-image to its end-of-image marker; data after that marker
// is allowed.
[[nodiscard]] bool jpegIsComplete(const QByteArray& data);
// Whether a BMP file holds all the pixel data its headers announce.
[[nodiscard]] bool bmpIsComplete(const QByteArray& data);

} // namespace norvel
