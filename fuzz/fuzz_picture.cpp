// The picture loader on JPEG and BMP files, the two formats cameras drop into the watched folder.
//
// A camera may still be writing a file when it is looked at; a part that loads must not be taken for the
// picture. Checked for inputs that start as a JPEG (FF D8) or a BMP ("BM"):
// - a file cut short never loads a different picture: the input cut at size - 1, - 2, - 3, size / 2,
//   3/4 size and at a point drawn from the data must either not load, or load exactly the picture the
//   whole input loads (a cut in data that follows the picture, which the loader allows, loads the same
//   picture; one inside the picture must not load at all, as Qt's decoders would pad it);
// - a file that loads decodes to the same picture with bytes appended after it, as a complete file with
//   trailing data does.
// - a JPEG the program decodes itself (the camera's common kind) gives Qt's picture pixel for pixel, with
//   Qt's density, and files as Qt's writer files it, byte for byte.
// Any other input only has to load or fail without a crash. Pictures of more than a million pixels are
// left out: the loader allows them, but they only slow the search.
#include "fuzzcheck.h"
#include "picture/jpegcodec.h"
#include "picture/picturefile.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QImageWriter>

#include <array>
#include <cstdint>

using namespace norvel;
using norvel::fuzz::require;

namespace {

constexpr qint64 LargestPixelCount = 1 << 20;

bool isLarge(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return true;
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    return qint64(size.width()) * size.height() > LargestPixelCount;
}

// Compared as the program uses a picture, converted to 32 bits: QImage's own comparison of indexed
// pictures reads past the colour table for indices the file leaves without a colour.
bool samePicture(const QImage& a, const QImage& b)
{
    return a.size() == b.size() && a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

QString describe(const QByteArray& data, qsizetype cut, const PictureLoad& whole, const PictureLoad& part)
{
    return QStringLiteral("size %1, cut at %2: whole %3 %4x%5, part %6x%7")
        .arg(data.size())
        .arg(cut)
        .arg(whole.ok() ? QStringLiteral("loads") : QStringLiteral("fails (") + whole.error + QLatin1Char(')'))
        .arg(whole.image.width())
        .arg(whole.image.height())
        .arg(part.image.width())
        .arg(part.image.height());
}

// Decoded by the program's own JPEG path, where it takes the file, and by Qt's reader: the two must agree.
void compareWithQt(const QByteArray& data)
{
    const qsizetype end = jpegEnd(data);
    if (end < 0)
        return;
    const QByteArray jpeg = data.left(end);
    const std::optional<QImage> ours = decodeCameraJpeg(jpeg);
    if (!ours)
        return;
    QBuffer in;
    in.setData(jpeg);
    in.open(QIODevice::ReadOnly);
    QImageReader reader(&in);
    reader.setAutoTransform(false);
    const QImage theirs = reader.read();
    require(theirs == *ours && theirs.dotsPerMeterX() == ours->dotsPerMeterX()
            && theirs.dotsPerMeterY() == ours->dotsPerMeterY(),
        "a camera JPEG decodes as Qt decodes it", QStringLiteral("size %1").arg(data.size()));

    JpegBuffer encoded;
    require(encodeRgb32Jpeg(*ours, 75, {}, &encoded), "a decoded picture encodes", {});
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QImageWriter writer(&out, "jpg");
    writer.setQuality(75);
    writer.write(theirs);
    require(encoded.bytes() == out.data(), "a camera JPEG files as Qt's writer files it",
        QStringLiteral("size %1").arg(data.size()));
}

} // namespace

// Qt's BMP decoder leaves the pixels that run-length data skips unset. Filling every allocation (not only
// the first 4 KB) makes such pixels alike in every decode, so the comparisons see what the file decides.
extern "C" const char* __asan_default_options()
{
    return "max_malloc_fill_size=2147483647";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const QByteArray data(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
    if (isLarge(data))
        return 0;
    const PictureLoad whole = decodePicture(data);
    if (!data.startsWith("\xFF\xD8") && !data.startsWith("BM"))
        return 0;
    if (data.startsWith("\xFF\xD8"))
        compareWithQt(data);

    const auto drawn = static_cast<qsizetype>(qHash(data) % (size + 1));
    // The last bytes are where a writer stops most often; the others reach into headers and pixels.
    const qsizetype n = data.size();
    const std::array<qsizetype, 6> cuts { n - 1, n - 2, n - 3, n / 2, n * 3 / 4, drawn };
    for (const qsizetype cut : cuts) {
        if (cut < 0 || cut >= data.size())
            continue;
        const PictureLoad part = decodePicture(data.left(cut));
        if (part.ok())
            require(whole.ok() && samePicture(part.image, whole.image),
                "a file cut short does not load another picture", describe(data, cut, whole, part));
    }

    if (whole.ok()) {
        const QByteArray tail = data.left(drawn % 64 + 1);
        const PictureLoad longer = decodePicture(data + tail);
        require(longer.ok() && samePicture(longer.image, whole.image), "bytes after a picture do not change it",
            QStringLiteral("size %1, %2 bytes appended: %3").arg(data.size()).arg(tail.size()).arg(longer.error));
    }
    return 0;
}
