#pragma once

#include <QString>
#include <QtGlobal>

class QImage;
class QIODevice;

namespace norvel {

// Encodes the top-left width x height pixels of the picture as a JPEG of the given quality (0-100).
// False, with the reason in error, when the region is empty or the device refuses the data.
[[nodiscard]] bool writeJpeg(
    const QImage& picture, int width, int height, QIODevice* device, int quality, QString* error = nullptr);

// The program's one JPEG file writer, used for saved and filed pictures. The file at path is replaced
// whole: the data goes to a temporary file that is renamed over it, so a failed write never leaves a
// broken JPEG and keeps what was there. False, with a message naming the file in error, on failure.
[[nodiscard]] bool DCSavetoJPEG(
    const QImage& picture, qint32 width, qint32 height, const QString& path, quint8 quality, QString* error = nullptr);

// The message for a JPEG file that could not be written, naming it.
[[nodiscard]] QString jpegFileError(const QString& path, const QString& reason);

} // namespace norvel
