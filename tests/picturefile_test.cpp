#include "picture/picturefile.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace norvel;

namespace {

const QRgb red = qRgb(200, 30, 30);
const QRgb blue = qRgb(20, 40, 220);

// Left half red, right half blue.
QImage twoColours(QImage::Format format = QImage::Format_RGB32)
{
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, x < image.width() / 2 ? red : blue);
    return image.convertToFormat(format);
}

// Enough detail that the entropy-coded data is most of the file.
QImage gradient()
{
    QImage image(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
    return image;
}

QByteArray encode(const QImage& image, const char* format, bool progressive = false)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return data;
}

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

bool near(QRgb actual, QRgb expected, int tolerance)
{
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance
        && std::abs(qGreen(actual) - qGreen(expected)) <= tolerance
        && std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

qsizetype scanStart(const QByteArray& jpeg)
{
    return jpeg.indexOf("\xFF\xDA");
}

// Hand-built marker sequences: what the structure walk must accept and what it must not.
struct JpegBytesCase {
    std::string name;
    const char* bytes;
    bool complete;
};

class JpegStructureTest : public testing::TestWithParam<JpegBytesCase> { };

TEST_P(JpegStructureTest, CompleteExactlyWhenEndMarkerIsReached)
{
    EXPECT_EQ(jpegIsComplete(hex(GetParam().bytes)), GetParam().complete);
}

INSTANTIATE_TEST_SUITE_P(Picturefile, JpegStructureTest,
    testing::Values(JpegBytesCase { "empty", "", false }, JpegBytesCase { "start_only", "FFD8", false },
        JpegBytesCase { "start_end", "FFD8 FFD9", true }, JpegBytesCase { "no_start", "0000 FFD8 FFD9", false },
        JpegBytesCase { "end_before_start", "FFD9 FFD8", false },
        JpegBytesCase { "fill_bytes", "FFD8 FFFFFF FFD9", true }, JpegBytesCase { "dangling_ff", "FFD8 FFFF", false },
        JpegBytesCase { "standalone_markers", "FFD8 FF01 FFD0 FFD7 FFD9", true },
        JpegBytesCase { "empty_comment", "FFD8 FFFE0002 FFD9", true },
        JpegBytesCase { "end_inside_comment", "FFD8 FFFE0004FFD9", false },
        JpegBytesCase { "end_after_comment_holding_end", "FFD8 FFFE0004FFD9 FFD9", true },
        JpegBytesCase { "length_one", "FFD8 FFFE0001 FFD9", false },
        JpegBytesCase { "length_zero", "FFD8 FFFE0000 FFD9", false },
        JpegBytesCase { "length_past_end", "FFD8 FFFE0010 FFD9", false },
        JpegBytesCase { "length_cut", "FFD8 FFFE00", false },
        JpegBytesCase { "stray_bytes_between_segments", "FFD8 FFFE0002 1234 FFD9", true },
        JpegBytesCase { "scan", "FFD8 FFDA0003AA 12FF0034FFD056 FFD9", true },
        JpegBytesCase { "scan_cut_in_data", "FFD8 FFDA0003AA 1234", false },
        JpegBytesCase { "scan_cut_after_ff", "FFD8 FFDA0003AA 12FF", false },
        JpegBytesCase { "scan_cut_after_stuffed_byte", "FFD8 FFDA0003AA 12FF00", false },
        JpegBytesCase { "scan_stuffed_byte_before_d9", "FFD8 FFDA0003AA 12FF00D9", false },
        JpegBytesCase { "scan_cut_after_restart", "FFD8 FFDA0003AA 12FFD734", false },
        JpegBytesCase { "scan_fill_before_end", "FFD8 FFDA0003AA 12FFFFFFD9", true },
        // Progressive pictures: tables between scans are segments, even when they hold FF D9.
        JpegBytesCase { "two_scans", "FFD8 FFDA0003AA 12 FFC40006FFD9FFD9 FFDA0003AA 34 FFD9", true },
        JpegBytesCase { "cut_after_table_holding_end", "FFD8 FFDA0003AA 12 FFC40006FFD9FFD9", false },
        JpegBytesCase { "data_after_end", "FFD8 FFD9 0102FFD8FFDA", true }),
    caseName<JpegBytesCase>);

// Real pictures from Qt's encoder, whole, extended or cut short.
struct JpegFileCase {
    std::string name;
    bool progressive;
    std::function<QByteArray(const QByteArray&)> change;
    bool loads;
};

QByteArray cutAt(const QByteArray& data, qsizetype size)
{
    return data.left(size);
}

// An APP1 segment holding an end marker, as an EXIF thumbnail does, right after the start marker.
QByteArray withEndMarkerInApp1(const QByteArray& jpeg)
{
    return jpeg.left(2) + hex("FFE1 0008 FFD8 1234 FFD9") + jpeg.mid(2);
}

class JpegFileTest : public testing::TestWithParam<JpegFileCase> { };

TEST_P(JpegFileTest, LoadsOnlyWhenComplete)
{
    const auto& c = GetParam();
    const QByteArray whole = encode(gradient(), "jpg", c.progressive);
    if (c.progressive) {
        ASSERT_GT(whole.count("\xFF\xDA"), 1) << "expected a picture of several scans";
    }
    const QByteArray data = c.change(whole);
    ASSERT_NE(data, QByteArray());

    EXPECT_EQ(jpegIsComplete(data), c.loads);
    const PictureLoad load = decodePicture(data);
    EXPECT_EQ(load.ok(), c.loads) << load.error.toStdString();
    if (c.loads) {
        EXPECT_EQ(load.image.size(), QSize(256, 256));
        EXPECT_TRUE(load.error.isEmpty());
    } else {
        EXPECT_FALSE(load.error.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Picturefile, JpegFileTest,
    testing::Values(JpegFileCase { "baseline", false, [](const QByteArray& d) { return d; }, true },
        JpegFileCase { "progressive", true, [](const QByteArray& d) { return d; }, true },
        JpegFileCase { "data_after_end", false, [](const QByteArray& d) { return d + "camera notes\xFF\xD8"; }, true },
        JpegFileCase { "end_marker_in_app1", false, withEndMarkerInApp1, true },
        JpegFileCase { "end_marker_in_app1_cut_mid_scan", false,
            [](const QByteArray& d) {
                const QByteArray changed = withEndMarkerInApp1(d);
                return cutAt(changed, (scanStart(changed) + changed.size()) / 2);
            },
            false },
        JpegFileCase { "start_only", false, [](const QByteArray& d) { return cutAt(d, 2); }, false },
        JpegFileCase { "headers_only", false, [](const QByteArray& d) { return cutAt(d, scanStart(d)); }, false },
        JpegFileCase { "after_scan_header", false,
            [](const QByteArray& d) {
                const qsizetype sos = scanStart(d);
                return cutAt(d, sos + 2 + qFromBigEndian<quint16>(d.constData() + sos + 2));
            },
            false },
        JpegFileCase {
            "mid_scan", false, [](const QByteArray& d) { return cutAt(d, (scanStart(d) + d.size()) / 2); }, false },
        JpegFileCase { "without_end_marker", false, [](const QByteArray& d) { return d.chopped(2); }, false },
        JpegFileCase { "without_last_byte", false, [](const QByteArray& d) { return d.chopped(1); }, false },
        JpegFileCase {
            "progressive_cut_midway", true, [](const QByteArray& d) { return cutAt(d, d.size() / 2); }, false }),
    caseName<JpegFileCase>);

// Qt's own readers are why the completeness checks exist: they read these cut files as if whole.
TEST(Picturefile, QtAloneReadsTruncatedPictures)
{
    const QByteArray jpeg = encode(gradient(), "jpg");
    const QByteArray bmp = encode(twoColours(), "bmp");
    for (const QByteArray& cut : { jpeg.left((scanStart(jpeg) + jpeg.size()) / 2), bmp.left(bmp.size() / 2) }) {
        QBuffer buffer;
        buffer.setData(cut);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        EXPECT_FALSE(reader.read().isNull());
        EXPECT_FALSE(decodePicture(cut).ok());
    }
}

struct FormatCase {
    std::string name;
    std::function<QByteArray()> encode;
    int tolerance; // JPEG is lossy
};

class DecodeTest : public testing::TestWithParam<FormatCase> { };

TEST_P(DecodeTest, KeepsSizeAndColours)
{
    const PictureLoad load = decodePicture(GetParam().encode());
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    EXPECT_TRUE(load.error.isEmpty());
    EXPECT_EQ(load.image.size(), QSize(64, 48));
    // Away from the edge between the halves, where JPEG blurs.
    for (const int y : { 4, 24, 43 }) {
        for (const int x : { 4, 16, 24 })
            EXPECT_TRUE(near(load.image.pixel(x, y), red, GetParam().tolerance)) << x << "," << y;
        for (const int x : { 40, 48, 59 })
            EXPECT_TRUE(near(load.image.pixel(x, y), blue, GetParam().tolerance)) << x << "," << y;
    }
}

QByteArray indexedBmp()
{
    // A full palette, or Qt writes a 4-bit BMP.
    QImage image(64, 48, QImage::Format_Indexed8);
    QList<QRgb> palette(256, qRgb(0, 0, 0));
    palette[3] = red;
    palette[200] = blue;
    image.setColorTable(palette);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, x < image.width() / 2 ? 3 : 200);
    QByteArray data = encode(image, "bmp");
    EXPECT_EQ(qFromLittleEndian<quint16>(data.constData() + 28), 8) << "expected an 8-bit BMP";
    return data;
}

QByteArray rgbBmp()
{
    QByteArray data = encode(twoColours(), "bmp");
    EXPECT_EQ(qFromLittleEndian<quint16>(data.constData() + 28), 24) << "expected a 24-bit BMP";
    return data;
}

INSTANTIATE_TEST_SUITE_P(Picturefile, DecodeTest,
    testing::Values(FormatCase { "jpeg", [] { return encode(twoColours(), "jpg"); }, 12 },
        FormatCase { "png", [] { return encode(twoColours(), "png"); }, 0 }, FormatCase { "bmp_24_bit", rgbBmp, 0 },
        FormatCase { "bmp_8_bit", indexedBmp, 0 }),
    caseName<FormatCase>);

// Pixels as stored: an EXIF orientation tag must not turn the picture.
TEST(Picturefile, IgnoresOrientationTag)
{
    // APP1 with a big-endian TIFF header and one IFD entry: orientation (0112) = 6, turned 90 degrees.
    const QByteArray exif = hex("FFE1 0022 457869660000 4D4D002A00000008 0001 011200030000000100060000 00000000");
    const QByteArray plain = encode(twoColours(), "jpg");
    const QByteArray data = plain.left(2) + exif + plain.mid(2);
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    ASSERT_EQ(QImageReader(&buffer).transformation(), QImageIOHandler::TransformationRotate90);

    const PictureLoad load = decodePicture(data);
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    EXPECT_EQ(load.image.size(), QSize(64, 48));
}

struct BmpCutCase {
    std::string name;
    bool indexed;
    std::function<qsizetype(qsizetype size)> length;
    bool loads;
    std::function<void(uchar* bytes)> patch = {}; // applied to the whole file before cutting it
};

qsizetype whole(qsizetype size)
{
    return size;
}

// Sets a little-endian header field: 10 pixel offset, 14 header size, 18 width, 22 height, 28 bit count,
// 30 compression, 34 size of the pixel data, 46 colours used.
template <typename T> std::function<void(uchar*)> field(int offset, T value)
{
    return [=](uchar* bytes) { qToLittleEndian<T>(value, bytes + offset); };
}

class BmpFileTest : public testing::TestWithParam<BmpCutCase> { };

TEST_P(BmpFileTest, LoadsOnlyWithAllPixelData)
{
    const auto& c = GetParam();
    QByteArray whole = c.indexed ? indexedBmp() : rgbBmp();
    if (c.patch)
        c.patch(reinterpret_cast<uchar*>(whole.data()));
    const QByteArray data = whole.left(c.length(whole.size()));
    EXPECT_EQ(bmpIsComplete(data), c.loads);
    const PictureLoad load = decodePicture(data);
    EXPECT_EQ(load.ok(), c.loads) << load.error.toStdString();
    EXPECT_EQ(load.error.isEmpty(), c.loads);
}

INSTANTIATE_TEST_SUITE_P(Picturefile, BmpFileTest,
    testing::Values(BmpCutCase { "rgb_whole", false, [](qsizetype size) { return size; }, true },
        BmpCutCase { "rgb_without_last_byte", false, [](qsizetype size) { return size - 1; }, false },
        BmpCutCase { "rgb_half", false, [](qsizetype size) { return size / 2; }, false },
        BmpCutCase { "rgb_headers_only", false, [](qsizetype) { return 54; }, false },
        BmpCutCase { "indexed_whole", true, [](qsizetype size) { return size; }, true },
        BmpCutCase { "indexed_without_last_byte", true, [](qsizetype size) { return size - 1; }, false },
        BmpCutCase { "indexed_half", true, [](qsizetype size) { return size / 2; }, false },
        BmpCutCase { "indexed_without_palette_end", true, [](qsizetype) { return 54 + 512; }, false },
        BmpCutCase { "rgb_top_down", false, whole, true, field<qint32>(22, -48) },
        BmpCutCase { "rgb_offset_zero", false, whole, false, field<quint32>(10, 0) },
        BmpCutCase { "rgb_offset_in_info_header", false, whole, false, field<quint32>(10, 30) },
        BmpCutCase { "indexed_offset_in_colour_table", true, whole, false, field<quint32>(10, 54 + 1020) },
        BmpCutCase { "indexed_more_colours_than_room", true, whole, false, field<quint32>(46, 257) },
        BmpCutCase { "rgb_header_size_13", false, whole, false, field<quint32>(14, 13) },
        BmpCutCase { "rgb_header_size_39", false, whole, false, field<quint32>(14, 39) },
        BmpCutCase { "rgb_width_zero", false, whole, false, field<qint32>(18, 0) },
        BmpCutCase { "rgb_width_negative", false, whole, false, field<qint32>(18, -64) },
        BmpCutCase { "rgb_height_zero", false, whole, false, field<qint32>(22, 0) },
        BmpCutCase { "rgb_bit_count_2", false, whole, false, field<quint16>(28, 2) },
        BmpCutCase { "rgb_marked_bitfields", false, whole, false, field<quint32>(30, 3) },
        BmpCutCase { "rgb_marked_jpeg", false, whole, false, field<quint32>(30, 4) },
        // The size field covers the data, but raw pixels make no RLE stream that ends.
        BmpCutCase { "indexed_marked_rle8", true, whole, false, field<quint32>(30, 1) }),
    caseName<BmpCutCase>);

// A BMP built field by field, followed by pixelBytes bytes of pixel data.
struct BmpHeaderCase {
    std::string name;
    quint32 headerSize;
    qint32 width;
    qint32 height;
    quint16 bitCount;
    quint32 compression;
    quint32 sizeImage;
    qint64 pixelBytes;
    bool complete;
    qint64 cutTo = -1; // keep only this many bytes of the file
    quint32 offBits = 0; // 0: right after the headers
    quint32 coloursUsed = 0;
};

// Pixel data of RLE files is end-of-line codes closed by the end-of-bitmap code; pixels replaces it.
QByteArray buildBmp(const BmpHeaderCase& c, const QByteArray& pixels = {})
{
    const quint32 offBits = c.offBits ? c.offBits : 14 + c.headerSize;
    QByteArray data(offBits + c.pixelBytes, '\0');
    // RLE data: runs of 255 pixels, then the end-of-bitmap code in the last two bytes.
    if ((c.compression == 1 || c.compression == 2) && c.pixelBytes >= 2) {
        for (qsizetype i = offBits; i + 1 < data.size(); i += 2)
            data[i] = '\xFF';
        data[data.size() - 2] = 0;
        data[data.size() - 1] = 1;
    }
    if (!pixels.isEmpty())
        data = data.left(offBits) + pixels;
    auto* bytes = reinterpret_cast<uchar*>(data.data());
    bytes[0] = 'B';
    bytes[1] = 'M';
    qToLittleEndian<quint32>(quint32(data.size()), bytes + 2);
    qToLittleEndian<quint32>(offBits, bytes + 10);
    uchar* info = bytes + 14;
    qToLittleEndian<quint32>(c.headerSize, info);
    if (c.headerSize == 12) {
        qToLittleEndian<quint16>(quint16(c.width), info + 4);
        qToLittleEndian<quint16>(quint16(c.height), info + 6);
        qToLittleEndian<quint16>(1, info + 8);
        qToLittleEndian<quint16>(c.bitCount, info + 10);
    } else {
        qToLittleEndian<qint32>(c.width, info + 4);
        qToLittleEndian<qint32>(c.height, info + 8);
        qToLittleEndian<quint16>(1, info + 12);
        qToLittleEndian<quint16>(c.bitCount, info + 14);
        qToLittleEndian<quint32>(c.compression, info + 16);
        qToLittleEndian<quint32>(c.sizeImage, info + 20);
        if (c.headerSize >= 40)
            qToLittleEndian<quint32>(c.coloursUsed, info + 32);
    }
    return c.cutTo >= 0 ? data.left(c.cutTo) : data;
}

class BmpHeaderTest : public testing::TestWithParam<BmpHeaderCase> { };

TEST_P(BmpHeaderTest, CompleteWhenPixelDataIsPresent)
{
    EXPECT_EQ(bmpIsComplete(buildBmp(GetParam())), GetParam().complete);
}

constexpr qint32 int32Max = std::numeric_limits<qint32>::max();
constexpr qint32 int32Min = std::numeric_limits<qint32>::min();

// Rows are padded to 4 bytes: 3 pixels of 24 bits take 12 bytes, 33 pixels of 1 bit take 8. Colour
// tables take 4 bytes an entry (3 after a 12-byte header), 2^bits entries unless the header gives a
// count: pixels of 1 bit start at 14 + 40 + 8 = 62, of 8 bits at 14 + 40 + 1024 = 1078.
INSTANTIATE_TEST_SUITE_P(Picturefile, BmpHeaderTest,
    testing::Values(BmpHeaderCase { "rgb_exact", 40, 3, 2, 24, 0, 0, 24, true },
        BmpHeaderCase { "rgb_short", 40, 3, 2, 24, 0, 0, 23, false },
        BmpHeaderCase { "top_down", 40, 3, -2, 24, 0, 0, 24, true },
        BmpHeaderCase { "top_down_short", 40, 3, -2, 24, 0, 0, 23, false },
        BmpHeaderCase { "one_bit", 40, 33, 1, 1, 0, 0, 8, true, -1, 62 },
        BmpHeaderCase { "one_bit_short", 40, 33, 1, 1, 0, 0, 7, false, -1, 62 },
        BmpHeaderCase { "core_header", 12, 3, 2, 24, 0, 0, 24, true },
        BmpHeaderCase { "core_header_short", 12, 3, 2, 24, 0, 0, 23, false },
        BmpHeaderCase { "v5_header_bitfields", 124, 2, 2, 32, 3, 0, 16, true },
        BmpHeaderCase { "v5_header_bitfields_short", 124, 2, 2, 32, 3, 0, 15, false },
        BmpHeaderCase { "rle_with_size", 40, 4 * 255, 1, 8, 1, 10, 10, true, -1, 1078 },
        BmpHeaderCase { "rle_with_size_short", 40, 4 * 255, 1, 8, 1, 10, 9, false, -1, 1078 },
        // Without a size field only the end-of-bitmap code tells that the data is all there.
        BmpHeaderCase { "rle_without_size", 40, 100, 100, 8, 1, 0, 0, false, -1, 1078 },
        BmpHeaderCase { "rle_without_size_ended", 40, 255, 1, 8, 1, 0, 4, true, -1, 1078 },
        // Counted from the end of the headers, the 6 bytes of gap would make up for the missing one.
        BmpHeaderCase { "pixels_after_gap", 40, 3, 2, 24, 0, 0, 24, true, -1, 60 },
        BmpHeaderCase { "pixels_after_gap_short", 40, 3, 2, 24, 0, 0, 23, false, -1, 60 },
        BmpHeaderCase { "pixel_offset_past_end", 40, 1, 1, 24, 0, 0, 0, false, -1, 1000 },
        BmpHeaderCase { "info_header_cut", 40, 3, 2, 24, 0, 0, 24, false, 14 + 20 },
        BmpHeaderCase { "header_size_too_small", 8, 3, 2, 24, 0, 0, 24, false },
        BmpHeaderCase { "negative_width", 40, -3, 2, 24, 0, 0, 24, false },
        BmpHeaderCase { "lowest_height", 40, 1, int32Min, 24, 0, 0, 4, false },
        BmpHeaderCase { "huge_everything", 40, int32Max, int32Max, 0xFFFF, 0, 0, 64, false },
        BmpHeaderCase { "huge_rle_size", 40, 1, 1, 8, 1, 0xFFFFFFFF, 64, false, -1, 1078 },
        BmpHeaderCase { "header_size_41", 41, 3, 2, 24, 0, 0, 24, false },
        BmpHeaderCase { "v3_header", 56, 3, 2, 24, 0, 0, 24, true },
        BmpHeaderCase { "os2_header", 64, 3, 2, 24, 0, 0, 24, true },
        // There 3 means Huffman coding, not bit masks.
        BmpHeaderCase { "os2_header_compression_3", 64, 2, 2, 32, 3, 0, 16, false },
        BmpHeaderCase { "v4_header_bitfields", 108, 2, 2, 32, 3, 0, 16, true },
        BmpHeaderCase { "bitfields_after_masks", 40, 2, 2, 32, 3, 0, 16, true, -1, 54 + 12 },
        BmpHeaderCase { "bitfields_offset_in_masks", 40, 2, 2, 32, 3, 0, 16, false, -1, 54 + 8 },
        BmpHeaderCase { "alpha_bitfields_offset_in_masks", 40, 2, 2, 32, 6, 0, 16, false, -1, 54 + 12 },
        BmpHeaderCase { "bitfields_of_24_bits", 40, 2, 2, 24, 3, 0, 16, false, -1, 54 + 12 },
        BmpHeaderCase { "core_header_palette", 12, 4, 1, 8, 0, 0, 4, true, -1, 26 + 768 },
        BmpHeaderCase { "core_header_offset_in_palette", 12, 4, 1, 8, 0, 0, 4, false, -1, 26 + 765 },
        BmpHeaderCase { "colours_used", 40, 4, 1, 8, 0, 0, 4, true, -1, 54 + 8, 2 },
        BmpHeaderCase { "colours_used_past_offset", 40, 4, 1, 8, 0, 0, 4, false, -1, 54 + 8, 3 },
        BmpHeaderCase { "colour_table_for_24_bits", 40, 3, 2, 24, 0, 0, 24, true, -1, 54 + 8, 2 },
        BmpHeaderCase { "colour_table_for_24_bits_past_offset", 40, 3, 2, 24, 0, 0, 24, false, -1, 54, 2 },
        BmpHeaderCase { "colours_used_huge", 40, 4, 1, 8, 0, 0, 4, false, -1, 1078, 0xFFFFFFFF },
        BmpHeaderCase { "rle8_of_4_bits", 40, 4, 1, 4, 1, 0, 2, false, -1, 54 + 64 }),
    caseName<BmpHeaderCase>);

// Hand-built RLE streams, as Qt's writer writes none: 8 pixels wide, 2 rows, 256 colours for RLE8 and
// 16 for RLE4.
struct RleCase {
    std::string name;
    quint32 compression; // 1: RLE8, 2: RLE4
    const char* stream;
    bool loads;
    quint32 sizeImage = 0;
};

class RleTest : public testing::TestWithParam<RleCase> { };

TEST_P(RleTest, LoadsOnlyWhenTheEndCodeIsInTheFile)
{
    const auto& c = GetParam();
    const bool rle8 = c.compression == 1;
    const QByteArray data = buildBmp(
        { c.name, 40, 8, 2, quint16(rle8 ? 8 : 4), c.compression, c.sizeImage, 0, true, -1, rle8 ? 1078u : 118u },
        hex(c.stream));
    EXPECT_EQ(bmpIsComplete(data), c.loads);
    const PictureLoad load = decodePicture(data);
    EXPECT_EQ(load.ok(), c.loads) << load.error.toStdString();
    EXPECT_EQ(load.error.isEmpty(), c.loads);
}

INSTANTIATE_TEST_SUITE_P(Picturefile, RleTest,
    testing::Values(RleCase { "rle8_runs", 1, "0801 0000 0802 0001", true },
        RleCase { "rle8_absolute", 1, "0004 01020304 0404 0000 0802 0001", true },
        RleCase { "rle8_absolute_padded", 1, "0003 010203 00 0503 0000 0802 0001", true },
        RleCase { "rle8_absolute_without_pad", 1, "0003 010203 0001", false },
        RleCase { "rle8_absolute_cut", 1, "0004 0102", false },
        // Read as RLE4 data, the absolute run would end early and 00 05 would start another.
        RleCase { "rle8_absolute_holding_codes", 1, "0004 01020005 0400 0000 0802 0001", true },
        // Pixels a jump or an early end passes over would be whatever the memory held.
        RleCase { "rle8_delta", 1, "0801 0002 0001 0001", false },
        RleCase { "rle8_line_ended_early", 1, "0401 0000 0802 0001", false },
        RleCase { "rle8_bitmap_ended_early", 1, "0801 0000 0402 0001", false },
        // What Qt makes of a run past the end of its line depends on the bytes after the data.
        RleCase { "rle8_run_past_the_line", 1, "0901 0000 0802 0001", false },
        RleCase { "rle8_absolute_past_the_line", 1, "0801 0000 0402 0006 010203040506 0001", false },
        RleCase { "rle8_line_past_the_bitmap", 1, "0801 0000 0802 0000 0103 0001", false },
        RleCase { "rle8_delta_cut", 1, "0801 0002 00", false },
        RleCase { "rle8_lines_without_end_code", 1, "0801 0000 0802 0000", false },
        RleCase { "rle8_end_code_cut", 1, "0801 00", false },
        RleCase { "rle8_end_code_across_runs", 1, "0200 0103", false },
        RleCase { "rle8_size_field_too_small", 1, "0801 0000 0802 0001", true, 2 },
        RleCase { "rle8_size_field_past_end", 1, "0801 0000 0802 0001", false, 9 },
        RleCase { "rle4_runs", 2, "0812 0000 0834 0001", true },
        RleCase { "rle4_absolute_even", 2, "0003 1230 0512 0000 0812 0001", true },
        RleCase { "rle4_absolute_padded", 2, "0005 123450 00 0312 0000 0812 0001", true },
        RleCase { "rle4_absolute_without_pad", 2, "0005 123450 0001", false },
        RleCase { "rle4_absolute_eight_pixels", 2, "0008 12345678 0000 0812 0001", true }),
    caseName<RleCase>);

// A message the user can read: it holds kana or kanji, not only a system's or Qt's English words.
bool inJapanese(const QString& text)
{
    return std::any_of(
        text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3040 && c.unicode() <= 0x9FFF; });
}

struct FileCase {
    std::string name;
    QByteArray fileName;
    std::function<QByteArray()> contents; // nullptr: no file, or the one make makes
    bool loads;
    std::function<bool(const QByteArray& path)> make = {};
    const char* reason = ""; // part of the error
};

std::function<bool(const QByteArray&)> linkTo(const char* target)
{
    return [=](const QByteArray& path) { return ::symlink(target, path.constData()) == 0; };
}

bool makeFifo(const QByteArray& path)
{
    return ::mkfifo(path.constData(), 0600) == 0;
}

// Sparse: no disk space is used, and a loader that reads it would take seconds and 256 MB.
bool makeOverSizeLimit(const QByteArray& path)
{
    return writeWholeFile(path, {}) && ::truncate(path.constData(), PictureFileLimitBytes + 1) == 0;
}

bool makeLinkToPicture(const QByteArray& path)
{
    const QByteArray target = path + ".target";
    return writeWholeFile(target, encode(twoColours(), "jpg")) && ::symlink(target.constData(), path.constData()) == 0;
}

class LoadTest : public testing::TestWithParam<FileCase> { };

TEST_P(LoadTest, DecidesByContent)
{
    const auto& c = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QByteArray path = QFile::encodeName(folder.path()) + '/' + c.fileName;
    if (c.contents) {
        ASSERT_TRUE(writeWholeFile(path, c.contents()));
    }
    if (c.make) {
        ASSERT_TRUE(c.make(path));
    }
    // Names a QString can carry go through loadPicture, the others through their bytes alone.
    const QString name = QFile::decodeName(path);
    const PictureLoad load = QFile::encodeName(name) == path ? loadPicture(name) : loadPictureFile(path);
    EXPECT_EQ(load.ok(), c.loads) << load.error.toStdString();
    EXPECT_EQ(load.error.isEmpty(), c.loads) << load.error.toStdString();
    EXPECT_TRUE(load.error.contains(QString::fromUtf8(c.reason))) << load.error.toStdString();
    EXPECT_EQ(inJapanese(load.error), !c.loads) << load.error.toStdString();
    if (c.loads) {
        EXPECT_EQ(load.image.size(), QSize(64, 48));
    }
}

INSTANTIATE_TEST_SUITE_P(Picturefile, LoadTest,
    testing::Values(FileCase { "jpeg", "P0001.JPG", [] { return encode(twoColours(), "jpg"); }, true },
        FileCase { "png_named_jpg", "P0001.JPG", [] { return encode(twoColours(), "png"); }, true },
        FileCase { "text_named_jpg", "x.JPG", [] { return QByteArray("not a picture\r\n"); }, false, {},
            "読める画像ではありません" },
        FileCase { "empty", "x.JPG", [] { return QByteArray(); }, false, {}, "空です" },
        FileCase { "missing", "x.JPG", nullptr, false, {}, "開けません" },
        FileCase { "folder", ".", nullptr, false, {}, "フォルダ" },
        FileCase { "name_not_utf8", "caf\xE9.bmp", rgbBmp, true },
        FileCase { "link_to_picture", "P0001.JPG", nullptr, true, makeLinkToPicture },
        // Neither may block nor be read: open would wait for a writer, read would never end.
        FileCase { "fifo", "P0001.JPG", nullptr, false, makeFifo, "装置、パイプなど" },
        FileCase { "link_to_dev_zero", "P0001.JPG", nullptr, false, linkTo("/dev/zero"), "装置、パイプなど" },
        FileCase { "over_size_limit", "P0001.JPG", nullptr, false, makeOverSizeLimit, "上限256 MB" },
        // Files whose size is not what reading gives, as a file still being written.
        FileCase { "growing", "P0001.JPG", nullptr, false, linkTo("/proc/self/status"), "途中まで" },
        FileCase { "shrinking", "P0001.JPG", nullptr, false, linkTo("/sys/devices/system/cpu/online"), "途中まで" }),
    caseName<FileCase>);

struct SizeCase {
    std::string name;
    int width;
    int height;
};

class LargePictureTest : public testing::TestWithParam<SizeCase> { };

// 8000 x 6000 at 32 bits is more than Qt 6.4's default limit of 128 MB, 9000 x 8000 more than the
// 256 MB of later versions.
TEST_P(LargePictureTest, Loads)
{
    QImage image(GetParam().width, GetParam().height, QImage::Format_RGB32);
    image.fill(red);
    const QByteArray data = encode(image, "jpg");
    image = QImage();

    const PictureLoad load = decodePicture(data);
    ASSERT_TRUE(load.ok()) << load.error.toStdString();
    EXPECT_EQ(load.image.size(), QSize(GetParam().width, GetParam().height));
    EXPECT_TRUE(near(load.image.pixel(GetParam().width - 1, GetParam().height - 1), red, 4));
}

INSTANTIATE_TEST_SUITE_P(Picturefile, LargePictureTest,
    testing::Values(SizeCase { "camera_8000x6000", 8000, 6000 }, SizeCase { "over_256MB", 9000, 8000 }),
    caseName<SizeCase>);

QByteArray jpegOfSize(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(red);
    return encode(image, "jpg");
}

// A small baseline JPEG whose frame header claims another size: Qt would decode it padded with grey.
QByteArray jpegClaiming(int width, int height)
{
    QByteArray data = jpegOfSize(8, 8);
    const qsizetype frame = data.indexOf("\xFF\xC0");
    EXPECT_GT(frame, 0);
    qToBigEndian<quint16>(quint16(height), data.data() + frame + 5);
    qToBigEndian<quint16>(quint16(width), data.data() + frame + 7);
    return data;
}

// Of one bit a pixel, so that 100 megapixels are 12.5 MB.
QByteArray monoBmp(qint32 width, qint32 height)
{
    const qint64 rows = height < 0 ? -qint64(height) : height;
    return buildBmp({ "", 40, width, height, 1, 0, 0, (width + 31) / 32 * 4 * rows, true, -1, 62 });
}

// One pixel: screen, colour table, image descriptor, data, trailer.
QByteArray smallGif()
{
    return hex("474946383961 0100 0100 800000 000000FFFFFF 2C000000000100010000 02024401 00 3B");
}

// The directory says 16 x 16; the PNG it holds is larger.
QByteArray iconHoldingPng()
{
    const QByteArray png = encode(twoColours(), "png");
    QByteArray icon = hex("0000 0100 0100 10 10 00 00 0100 2000 00000000 16000000");
    qToLittleEndian<quint32>(quint32(png.size()), icon.data() + 14);
    return icon + png;
}

struct PixelLimitCase {
    std::string name;
    std::function<QByteArray()> file;
    bool loads;
    const char* reason = ""; // part of the error
};

class PixelLimitTest : public testing::TestWithParam<PixelLimitCase> { };

// The reasons are those given before decoding.
TEST_P(PixelLimitTest, RefusedBeforeDecoding)
{
    const PictureLoad load = decodePicture(GetParam().file());
    EXPECT_EQ(load.ok(), GetParam().loads) << load.error.toStdString();
    EXPECT_TRUE(load.error.contains(QString::fromUtf8(GetParam().reason))) << load.error.toStdString();
    EXPECT_EQ(inJapanese(load.error), !GetParam().loads) << load.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Picturefile, PixelLimitTest,
    testing::Values(PixelLimitCase { "jpeg_claiming_16000x16000", [] { return jpegClaiming(16000, 16000); }, false,
                        "16000×16000画素" },
        PixelLimitCase { "jpeg_claiming_40000x10", [] { return jpegClaiming(40000, 10); }, false, "40000×10画素" },
        PixelLimitCase { "jpeg_side_32767", [] { return jpegOfSize(32767, 8); }, true },
        PixelLimitCase { "jpeg_side_32768", [] { return jpegOfSize(8, 32768); }, false, "8×32768画素" },
        PixelLimitCase { "bmp_100_megapixels", [] { return monoBmp(10000, 10000); }, true },
        PixelLimitCase { "bmp_over_100_megapixels", [] { return monoBmp(10000, 10001); }, false, "10000×10001" },
        PixelLimitCase { "bmp_top_down_side_32768", [] { return monoBmp(1, -32768); }, false, "1×32768" },
        PixelLimitCase {
            "jpeg_without_frame_header", [] { return hex("FFD8 FFD9"); }, false, "大きさが書かれていません" },
        // Formats whose header size does not bound what their decoder allocates.
        PixelLimitCase { "gif", smallGif, false, "読めない形式" },
        PixelLimitCase { "icon_holding_png", iconHoldingPng, false, "読めない形式" }),
    caseName<PixelLimitCase>);

// Under the sanitizers this is the check that no length in the data makes the walks read out of bounds.
TEST(Picturefile, GarbageIsNeverComplete)
{
    EXPECT_FALSE(jpegIsComplete({}));
    EXPECT_FALSE(bmpIsComplete({}));
    EXPECT_FALSE(decodePicture({}).ok());

    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        QByteArray garbage(int(random() % 2048), '\0');
        for (char& byte : garbage)
            byte = char(random() % 4 == 0 ? 0xFF : random());
        if (garbage.startsWith("BM") || garbage.startsWith("\xFF\xD8"))
            continue;
        EXPECT_FALSE(jpegIsComplete(garbage));
        EXPECT_FALSE(bmpIsComplete(garbage));
        // The same bytes behind a valid signature: any answer will do, as long as nothing is read out of bounds.
        static_cast<void>(jpegIsComplete("\xFF\xD8" + garbage));
        static_cast<void>(bmpIsComplete("BM" + garbage));
        for (qsizetype cut = 0; cut < qMin<qsizetype>(garbage.size(), 40); ++cut)
            static_cast<void>(bmpIsComplete("BM" + garbage.left(cut)));
    }
}

} // namespace

namespace {

// A picture no longer needed lends its memory to the next of the same size, which decodes the same; a
// failed decoding keeps it for the next try.
TEST(Picturefile, DecodingReusesASparePictureOfTheSameSize)
{
    const QByteArray jpeg = encode(gradient(), "jpg");
    const QImage expected = decodePicture(jpeg).image;
    ASSERT_FALSE(expected.isNull());

    QImage spare(expected.size(), expected.format());
    spare.fill(Qt::red);
    const uchar* memory = spare.constBits();
    const PictureLoad reused = decodePicture(jpeg, &spare);
    EXPECT_EQ(reused.image, expected);
    EXPECT_EQ(reused.image.constBits(), memory);
    EXPECT_TRUE(spare.isNull());

    QImage other(10, 10, QImage::Format_RGB32);
    EXPECT_EQ(decodePicture(jpeg, &other).image, expected); // another size: decoded afresh

    QImage kept(expected.size(), expected.format());
    EXPECT_FALSE(decodePicture(jpeg.left(jpeg.size() / 2), &kept).ok());
    EXPECT_EQ(kept.size(), expected.size());
}

} // namespace
