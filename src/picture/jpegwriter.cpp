#include "picture/jpegwriter.h"

#include "files/durablefile.h"

#include <QIODevice>
#include <QImage>
#include <QImageWriter>

namespace norvel {

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

bool writeJpeg(const QImage& picture, int width, int height, QIODevice* device, int quality, QString* error)
{
    if (picture.isNull()) {
        setError(error, QStringLiteral("書き込む画像がありません。"));
        return false;
    }
    if (width <= 0 || height <= 0) {
        setError(error, QStringLiteral("書き込む範囲（%1×%2画素）が空です。").arg(width).arg(height));
        return false;
    }
    if (!device) {
        setError(error, QStringLiteral("画像の書き込み先がありません。"));
        return false;
    }

    // Converting only the part inside the picture keeps a small region of a big picture cheap. The copy
    // to the full size comes after the conversion because QImage::copy fills with 0, which is black only
    // once the pixels are RGB (in an indexed picture it would be colour 0 of the palette).
    const QRect region(0, 0, width, height);
    // The whole picture is shared, not copied: a full-size copy of a big picture costs more than encoding it.
    QImage part = region == picture.rect() ? picture : picture.copy(region & picture.rect());
    if (part.format() != QImage::Format_RGB32 && part.format() != QImage::Format_RGB888)
        part.convertTo(QImage::Format_RGB32);
    if (part.size() != region.size())
        part = part.copy(region);

    QImageWriter writer(device, "jpg");
    writer.setQuality(quality);
    if (!writer.write(part)) {
        // Qt's own words, in English, as the detail.
        setError(error, QStringLiteral("JPEGに変換して書き込めません（%1）。").arg(writer.errorString()));
        return false;
    }
    return true;
}

QString jpegFileError(const QString& path, const QString& reason)
{
    return notWrittenMessage(QStringLiteral("画像ファイル"), path, reason);
}

bool DCSavetoJPEG(
    const QImage& picture, qint32 width, qint32 height, const QString& path, quint8 quality, QString* error)
{
    const auto fail = [&](const QString& reason) {
        setError(error, jpegFileError(path, reason));
        return false;
    };

    DurableFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    QString reason;
    if (!writeJpeg(picture, width, height, &file, quality, &reason)) {
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

} // namespace norvel
