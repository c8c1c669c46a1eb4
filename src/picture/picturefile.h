#pragma once

#include "files/regularfile.h"
#include "picture/picturelimits.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// Reading the picture files the camera drops or the user opens.
namespace norvel {

class PictureRowSink;

struct PictureLoad {
    QImage image; // null when the file could not be read as a picture
    QString error; // why not, in words a user can act on; empty on success
    [[nodiscard]] bool ok() const { return !image.isNull(); }
};

// The file a picture was loaded from, as read: what a copy of the original is made from.
struct PictureFileRead {
    QByteArray bytes; // the whole file
    FileStamp stamp; // which file it was, and its size and time then
};

// Loads a JPEG, BMP, PNG or one of the plain netpbm and X11 formats, decided by the content and not the
// name. Only a regular file of at most PictureFileLimitBytes is read (a link to one is followed); a
// pipe, device, socket or folder is refused without reading. A file that is cut short, or that shrinks
// or grows while it is read (a camera may still be writing it), counts as unreadable, although Qt's
// decoders would pad it and report success. The path is taken as the file system's bytes, so names
// that are not valid UTF-8 work too.
//
// reuse, when given, is a picture no longer needed whose memory the decoding may take over (it does when
// size and format match): a fresh picture-sized buffer costs more to touch than decoding into it. It is
// left empty on success.
//
// sink, when given, is told of the rows as they are decoded when the picture is a camera JPEG (see
// decodeCameraJpeg); for other pictures it hears nothing. read, when given, receives the file on success.
[[nodiscard]] PictureLoad loadPictureFile(const QByteArray& nativePath, QImage* reuse = nullptr,
    PictureRowSink* sink = nullptr, PictureFileRead* read = nullptr);
[[nodiscard]] PictureLoad loadPicture(const QString& path);
// The same checks on bytes already read; a picture over PictureMaxPixels or PictureMaxSide, or whose
// header does not give its size, is refused before any pixel is decoded.
[[nodiscard]] PictureLoad decodePicture(
    const QByteArray& data, QImage* reuse = nullptr, PictureRowSink* sink = nullptr);

// Whether a JPEG stream runs from its start-of-image to its end-of-image marker; data after that marker
// is allowed.
[[nodiscard]] bool jpegIsComplete(const QByteArray& data);
// Where that end-of-image marker ends (the bytes of the picture proper), or -1 when it is missing.
[[nodiscard]] qsizetype jpegEnd(const QByteArray& data);
// Whether a BMP file's headers are sound and the file holds all the pixel data they announce: a known
// header size, a width and height other than 0 (the width positive), a bit count of 1, 4, 8, 16, 24 or
// 32 that suits the compression, pixel data starting after the headers, bit masks and colour table,
// every row of uncompressed data, and for RLE data a stream that reaches its end-of-bitmap code within
// the file, whatever the size field says.
[[nodiscard]] bool bmpIsComplete(const QByteArray& data);

} // namespace norvel
