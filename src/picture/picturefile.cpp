#include "picture/picturefile.h"

#include "files/regularfile.h"
#include "picture/jpegcodec.h"
#include "picture/picturememory.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cstring>
#include <utility>

namespace norvel {

namespace {

QString incompleteMessage()
{
    return QStringLiteral("画像ファイルが途中までしかありません（まだ書き込み中かもしれません）。");
}

// JPEG marker codes, the byte after 0xFF.
constexpr uchar jpegTem = 0x01;
constexpr uchar jpegRst0 = 0xD0;
constexpr uchar jpegRst7 = 0xD7;
constexpr uchar jpegSoi = 0xD8;
constexpr uchar jpegEoi = 0xD9;

bool isRestart(uchar code)
{
    return code >= jpegRst0 && code <= jpegRst7;
}

// Markers that have no length field after them.
bool isStandalone(uchar code)
{
    return code == jpegSoi || code == jpegTem || isRestart(code);
}

qsizetype findFF(const uchar* bytes, qsizetype from, qsizetype size)
{
    if (from >= size)
        return size;
    const void* found = std::memchr(bytes + from, 0xFF, static_cast<std::size_t>(size - from));
    return found ? static_cast<const uchar*>(found) - bytes : size;
}

quint32 le16(const uchar* bytes)
{
    return bytes[0] | (quint32(bytes[1]) << 8);
}

quint32 le32(const uchar* bytes)
{
    return bytes[0] | (quint32(bytes[1]) << 8) | (quint32(bytes[2]) << 16) | (quint32(bytes[3]) << 24);
}

qint32 le32Signed(const uchar* bytes)
{
    return static_cast<qint32>(le32(bytes));
}

} // namespace

bool jpegIsComplete(const QByteArray& data)
{
    return jpegEnd(data) > 0;
}

qsizetype jpegEnd(const QByteArray& data)
{
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype size = data.size();
    if (size < 2 || bytes[0] != 0xFF || bytes[1] != jpegSoi)
        return -1;

    // Like libjpeg, the walk passes over stray bytes between segments. The same rule carries it through
    // the entropy-coded data after each SOS segment, where an FF is only ever a stuffed FF 00, a restart
    // marker or the marker that ends the scan (in progressive pictures often a table before the next scan).
    qsizetype pos = 2;
    for (;;) {
        pos = findFF(bytes, pos, size);
        while (pos < size && bytes[pos] == 0xFF)
            ++pos;
        if (pos >= size)
            return -1;
        const uchar code = bytes[pos++];
        if (code == jpegEoi)
            return pos;
        if (code == 0x00 || isStandalone(code))
            continue;

        // Following the length skips whole segments, so an EOI inside an EXIF thumbnail does not count.
        if (size - pos < 2)
            return -1;
        const qsizetype length = (qsizetype(bytes[pos]) << 8) | bytes[pos + 1];
        if (length < 2 || length > size - pos)
            return -1;
        pos += length;
    }
}

namespace {

constexpr qint64 bmpFileHeaderSize = 14;
constexpr qint64 bmpCoreHeaderSize = 12;
constexpr qint64 bmpInfoHeaderSize = 40;
constexpr qint64 bmpOs2HeaderSize = 64;
constexpr quint32 biRgb = 0;
constexpr quint32 biRle8 = 1;
constexpr quint32 biRle4 = 2;
constexpr quint32 biBitfields = 3;
constexpr quint32 biAlphaBitfields = 6;

// The core header, BITMAPINFOHEADER, its V2 and V3 extensions, OS/2 2.x (whose first 40 bytes Qt reads
// as a BITMAPINFOHEADER), V4 and V5.
bool isKnownBmpHeaderSize(qint64 size)
{
    switch (size) {
    case 12:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
        return true;
    default:
        return false;
    }
}

bool bitCountSuits(quint32 compression, qint64 bitCount)
{
    switch (compression) {
    case biRgb:
        return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
    case biRle8:
        return bitCount == 8;
    case biRle4:
        return bitCount == 4;
    case biBitfields:
    case biAlphaBitfields:
        return bitCount == 16 || bitCount == 32;
    default:
        // JPEG or PNG inside a BMP, or codes nobody defined: nothing to check them by.
        return false;
    }
}

// Whether the RLE8 or RLE4 stream from pos reaches its end-of-bitmap code before the end of the data and
// gives every one of the width x rows pixels a value. Qt's decoder pads a stream that stops early, so the
// size field alone cannot tell a cut file; it leaves the pixels a jump or an early end of line or of
// bitmap passes over as whatever the memory held, so such a picture would differ from one reading to the
// next; and what it makes of a run past the end of its line depends on the bytes after the data. A
// stream that no encoder writes is refused rather than guessed at.
bool rleCoversEveryPixel(const uchar* bytes, qint64 pos, qint64 size, bool fourBit, qint64 width, qint64 rows)
{
    qint64 x = 0;
    qint64 y = 0;
    for (;;) {
        if (size - pos < 2)
            return false;
        const uchar count = bytes[pos];
        const uchar code = bytes[pos + 1];
        pos += 2;
        if (count != 0) { // a run of one value
            if (y >= rows || count > width - x)
                return false;
            x += count;
            continue;
        }
        if (code == 0) { // the end of a line
            if (x != width)
                return false;
            x = 0;
            ++y;
            continue;
        }
        if (code == 1) // the end of the bitmap: after the last line's end, or with the last line full
            return (y == rows && x == 0) || (y == rows - 1 && x == width);
        if (code == 2) // a jump by the next two bytes, over pixels it leaves without a value
            return false;
        // An absolute run of `code` pixels, padded to an even number of bytes.
        qint64 length = fourBit ? (code + 1) / 2 : code;
        length += length & 1;
        if (length > size - pos || y >= rows || code > width - x)
            return false;
        pos += length;
        x += code;
    }
}

// The fields of a BMP's info header that say how much the pixels take.
struct BmpInfoHeader {
    qint64 width = 0;
    qint64 height = 0; // negative for top-down rows
    qint64 bitCount = 0;
    quint32 compression = biRgb;
    qint64 sizeImage = 0;
    qint64 coloursUsed = 0;
    qint64 colourEntrySize = 4;
};

BmpInfoHeader bmpInfoHeader(const uchar* info, qint64 headerSize)
{
    BmpInfoHeader header;
    if (headerSize == bmpCoreHeaderSize) {
        // Signed, as Qt reads them.
        header.width = static_cast<qint16>(le16(info + 4));
        header.height = static_cast<qint16>(le16(info + 6));
        header.bitCount = le16(info + 10);
        header.colourEntrySize = 3;
    } else {
        header.width = le32Signed(info + 4);
        header.height = le32Signed(info + 8);
        header.bitCount = le16(info + 14);
        header.compression = le32(info + 16);
        header.sizeImage = le32(info + 20);
        header.coloursUsed = le32(info + 32);
    }
    return header;
}

} // namespace

bool bmpIsComplete(const QByteArray& data)
{
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const qint64 size = data.size();
    if (size < bmpFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    const qint64 offBits = le32(bytes + 10);
    const qint64 headerSize = le32(bytes + 14);
    const uchar* info = bytes + bmpFileHeaderSize;
    if (!isKnownBmpHeaderSize(headerSize) || headerSize > size - bmpFileHeaderSize)
        return false;

    const auto [width, height, bitCount, compression, sizeImage, coloursUsed, colourEntrySize]
        = bmpInfoHeader(info, headerSize);
    if (width <= 0 || height == 0 || !bitCountSuits(compression, bitCount))
        return false;
    // OS/2 2.x has no bit masks: there 3 and 4 mean Huffman and 24-bit RLE, which Qt would misread.
    if (headerSize == bmpOs2HeaderSize && compression != biRgb && compression != biRle8 && compression != biRle4)
        return false;

    // The masks follow a BITMAPINFOHEADER; the later headers hold them.
    qint64 masksSize = 0;
    if (headerSize == bmpInfoHeaderSize && compression == biBitfields)
        masksSize = 12;
    else if (headerSize == bmpInfoHeaderSize && compression == biAlphaBitfields)
        masksSize = 16;
    const qint64 colours = coloursUsed == 0 && bitCount <= 8 ? qint64(1) << bitCount : coloursUsed;
    // Below 2^36, as every term is below 2^32 and the entries take at most 4 bytes.
    const qint64 headersEnd = bmpFileHeaderSize + headerSize + masksSize + colours * colourEntrySize;
    // Pixels starting inside the headers would be the headers decoded as pixels; a bfOffBits of 0 too.
    if (offBits < headersEnd || offBits > size)
        return false;
    const qint64 available = size - offBits;

    if (compression == biRle8 || compression == biRle4)
        return sizeImage <= available
            && rleCoversEveryPixel(bytes, offBits, size, compression == biRle4, width, height < 0 ? -height : height);
    // Both factors are below 2^31 and 2^6, so the stride cannot overflow; the row count is compared by
    // division so that the product is never formed.
    const qint64 stride = ((width * bitCount + 31) / 32) * 4;
    const qint64 rows = height < 0 ? -height : height;
    return rows <= available / stride;
}

namespace {

// Formats whose header gives the size the decoder then allocates, so that the size can be checked
// first. Left out: GIF, whose decoder allocates the logical screen while the size it reports can be a
// frame's; icons, whose directory says at most 256 x 256 whatever PNG an entry holds; and every format
// that cannot tell its size before decoding, since only decoding it would show a pixel bomb. Camera
// pictures are JPEG, so refusing these loses nothing the program is for.
bool headerSizeBindsDecoding(const QByteArray& format)
{
    static const QByteArrayList formats { "bmp", "jpeg", "pbm", "pgm", "png", "ppm", "xbm", "xpm" };
    return formats.contains(format);
}

QString readerError(const QImageReader& reader)
{
    const QString error = reader.errorString();
    // Qt's own words, in English, as the detail.
    return error.isEmpty() ? QStringLiteral("読める画像ではありません。")
                           : QStringLiteral("読める画像ではありません（%1）。").arg(error);
}

// A picture that is not a camera's JPEG, decoded by Qt's readers with the program's limits.
PictureLoad decodeWithQt(const QByteArray& picture, QImage* reuse)
{
    // Shares the bytes; the reader decodes straight into the one picture returned.
    QBuffer buffer;
    buffer.setData(picture);
    if (!buffer.open(QIODevice::ReadOnly))
        return { {}, QStringLiteral("読める画像ではありません（%1）。").arg(buffer.errorString()) };
    // No format and no file name: the reader goes by the content alone.
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(PictureAllocationLimitMB);
    if (!reader.canRead())
        return { {}, readerError(reader) };
    if (!headerSizeBindsDecoding(reader.format()))
        return { {},
            QStringLiteral("このプログラムでは読めない形式の画像です。JPEG、BMP、PNGのどれかにしてください。") };

    const QSize size = reader.size();
    const qint64 width = size.width();
    const qint64 height = qAbs(qint64(size.height())); // a top-down BMP gives its height negative
    if (width <= 0 || height <= 0)
        return { {}, QStringLiteral("画像ファイルに画像の大きさが書かれていません。") };
    if (width > PictureMaxSide || height > PictureMaxSide || width * height > PictureMaxPixels)
        return { {},
            QStringLiteral(
                "画像が%1×%2画素あり、このプログラムで読める大きさ（%3メガ画素まで、一辺%4画素まで）を超えています。")
                .arg(width)
                .arg(height)
                .arg(PictureMaxPixels / 1'000'000)
                .arg(PictureMaxSide) };

    QImage image = reuse ? std::exchange(*reuse, QImage()) : QImage();
    // Qt's decoders decode into the picture given when its size and format are the ones they would make.
    const QSize pictureSize { int(width), int(height) };
    const QImage::Format format = reader.imageFormat();
    if ((format == QImage::Format_RGB32 || format == QImage::Format_ARGB32)
        && (image.size() != pictureSize || image.format() != format))
        image = newPicture(pictureSize, format);
    if (!reader.read(&image) || image.isNull()) {
        if (reuse)
            *reuse = std::move(image); // still a buffer to decode the next picture into
        return { {}, readerError(reader) };
    }
    return { std::move(image), {} };
}

} // namespace

PictureLoad decodePicture(const QByteArray& data, QImage* reuse, PictureRowSink* sink)
{
    if (data.isEmpty())
        return { {}, QStringLiteral("画像ファイルが空です。") };
    // A JPEG is decoded up to its end marker and no further: what follows (a camera's own trailer, or
    // bytes still being written) must not change the picture, as a damaged stream could make libjpeg
    // read on past the marker.
    QByteArray picture = data;
    if (data.startsWith("\xFF\xD8")) {
        const qsizetype end = jpegEnd(data);
        if (end < 0)
            return { {}, incompleteMessage() };
        picture = QByteArray::fromRawData(data.constData(), end);
        if (std::optional<QImage> decoded = decodeCameraJpeg(picture, reuse, sink))
            return { *std::move(decoded), {} };
    }
    if (data.startsWith("BM") && !bmpIsComplete(data))
        return { {},
            QStringLiteral(
                "BMPファイルが途中までしかないか（まだ書き込み中かもしれません）、ヘッダーが壊れています。") };

    return decodeWithQt(picture, reuse);
}

PictureLoad loadPictureFile(const QByteArray& nativePath, QImage* reuse, PictureRowSink* sink, PictureFileRead* read)
{
    // A pipe would wait for its writer, a device such as /dev/zero would be read until memory runs out.
    const RegularFile file = openRegularFile(nativePath, PictureFileLimitBytes);
    switch (file.status) {
    case RegularFile::Status::Opened:
        break;
    case RegularFile::Status::Refused:
        return { {}, QStringLiteral("画像ファイルとして読みませんでした。") + file.error };
    default:
        return { {}, QStringLiteral("画像ファイルを開けません。") + file.error };
    }
    const QByteArray data = file.file->read(file.size);
    if (file.file->error() != QFileDevice::NoError)
        return { {}, QStringLiteral("画像ファイルを読めません（%1）。").arg(file.file->errorString()) };
    // One byte past the size fstat gave tells a file that is still growing.
    if (data.size() < file.size || !file.file->read(1).isEmpty())
        return { {}, incompleteMessage() };
    PictureLoad load = decodePicture(data, reuse, sink);
    if (load.ok() && read)
        *read = { data, file.stamp };
    return load;
}

PictureLoad loadPicture(const QString& path)
{
    return loadPictureFile(QFile::encodeName(path));
}

} // namespace norvel
