#include "failingdisk.h"
#include "files/durablefile.h"
#include "picture/jpegcodec.h"
#include "picture/jpegwriter.h"
#include "picture/picturefile.h"
#include "picture/picturefiler.h"
#include "picture/picturememory.h"
#include "testsupport.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <jpeglib.h>

using namespace norvel;
using namespace std::chrono_literals;

namespace {

constexpr int PictureQuality = 75;

QImage grain(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(quint32(width * 31 + height));
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(int(random.bounded(256)), 120 + (x + y) % 60, int(random.bounded(90)));
    }
    return image;
}

// How a test JPEG is written, with libjpeg's own knobs.
struct JpegMaker {
    const char* name = "";
    int width = 67;
    int height = 45;
    int lumaH = 2; // luma sampling factors; chroma is 1 x 1
    int lumaV = 2;
    bool progressive = false;
    int restartRows = 0;
    int densityUnit = 0;
    int densityX = 1;
    int densityY = 1;
    int marker = 0; // written after the headers, with payload
    QByteArray payload {};
    J_COLOR_SPACE space = JCS_YCbCr;
};

QByteArray makeJpeg(const JpegMaker& how)
{
    const QImage image = grain(how.width, how.height);
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(how.width);
    info.image_height = JDIMENSION(how.height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    if (how.space != JCS_YCbCr)
        jpeg_set_colorspace(&info, how.space);
    info.comp_info[0].h_samp_factor = how.lumaH;
    info.comp_info[0].v_samp_factor = how.lumaV;
    jpeg_set_quality(&info, 90, TRUE);
    if (how.progressive)
        jpeg_simple_progression(&info);
    info.restart_in_rows = how.restartRows;
    info.density_unit = UINT8(how.densityUnit);
    info.X_density = UINT16(how.densityX);
    info.Y_density = UINT16(how.densityY);
    jpeg_start_compress(&info, TRUE);
    if (how.marker)
        jpeg_write_marker(
            &info, how.marker, reinterpret_cast<const JOCTET*>(how.payload.constData()), unsigned(how.payload.size()));
    while (info.next_scanline < info.image_height) {
        auto row = const_cast<JSAMPROW>(image.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    jpeg_destroy_compress(&info);
    return bytes;
}

QImage qtDecode(const QByteArray& jpeg)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    return reader.read();
}

QByteArray qtEncode(const QImage& picture)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(PictureQuality);
    writer.write(picture);
    return buffer.data();
}

// Rows as a decoder reports them.
struct RecordingSink : PictureRowSink {
    void picturePrepared(const QImage& picture) override { prepared = picture.size(); }
    void rowsFinished(int count) override { rows.push_back(count); }
    void decodingAbandoned() override { abandoned = true; }
    QSize prepared;
    std::vector<int> rows;
    bool abandoned = false;
};

// An orientation of 6, which Qt's reader leaves alone when not asked to turn pictures.
const QByteArray exif = QByteArray::fromHex("45786966000049492a0008000000010012010300010000000600000000000000");
const QByteArray xmp
    = QByteArrayLiteral("http://ns.adobe.com/xap/1.0/") + '\0' + "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>";

class CameraJpegTest : public testing::TestWithParam<JpegMaker> { };

// What a camera writes: decoded and filed again byte for byte as Qt does it, with every row reported once.
TEST_P(CameraJpegTest, DecodesAndEncodesAsQtDoes)
{
    const QByteArray jpeg = makeJpeg(GetParam());
    const QImage expected = qtDecode(jpeg);
    RecordingSink sink;
    const std::optional<QImage> decoded = decodeCameraJpeg(jpeg, nullptr, &sink);
    ASSERT_TRUE(decoded.has_value());
    ASSERT_EQ(decoded->format(), expected.format());
    for (int y = 0; y < expected.height(); ++y)
        ASSERT_EQ(
            0, std::memcmp(decoded->constScanLine(y), expected.constScanLine(y), std::size_t(expected.width()) * 4))
            << "row " << y;
    EXPECT_EQ(decoded->dotsPerMeterX(), expected.dotsPerMeterX());
    EXPECT_EQ(decoded->dotsPerMeterY(), expected.dotsPerMeterY());
    EXPECT_EQ(sink.prepared, expected.size());
    ASSERT_FALSE(sink.rows.empty());
    EXPECT_TRUE(std::is_sorted(sink.rows.begin(), sink.rows.end()));
    EXPECT_EQ(sink.rows.back(), expected.height());
    EXPECT_FALSE(sink.abandoned);

    JpegBuffer encoded;
    ASSERT_TRUE(encodeRgb32Jpeg(*decoded, PictureQuality, {}, &encoded));
    EXPECT_EQ(encoded.bytes(), qtEncode(expected));
}

std::string nameOf(const testing::TestParamInfo<JpegMaker>& param)
{
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Jpegcodec, CameraJpegTest,
    testing::Values(JpegMaker { .name = "yuv420" }, JpegMaker { .name = "yuv422", .lumaV = 1 },
        JpegMaker { .name = "yuv444", .lumaH = 1, .lumaV = 1 },
        JpegMaker { .name = "yuv440", .width = 33, .height = 70, .lumaH = 1 },
        JpegMaker { .name = "progressive", .progressive = true }, JpegMaker { .name = "restarts", .restartRows = 1 },
        JpegMaker { .name = "tall", .width = 16, .height = 200 },
        JpegMaker { .name = "onePixel", .width = 1, .height = 1 },
        JpegMaker { .name = "dpi72", .densityUnit = 1, .densityX = 72, .densityY = 72 },
        JpegMaker { .name = "dpi127x254", .densityUnit = 1, .densityX = 127, .densityY = 254 },
        JpegMaker { .name = "dpcm118x40", .densityUnit = 2, .densityX = 118, .densityY = 40 },
        JpegMaker { .name = "dpiZeroX", .densityUnit = 1, .densityX = 0, .densityY = 300 },
        JpegMaker { .name = "exif", .marker = JPEG_APP0 + 1, .payload = exif },
        JpegMaker { .name = "xmp", .marker = JPEG_APP0 + 1, .payload = xmp }),
    nameOf);

class LeftToQtTest : public testing::TestWithParam<JpegMaker> { };

// Anything Qt would decode or file differently is not decoded here, and the memory lent is kept.
TEST_P(LeftToQtTest, DeclinesAndKeepsTheLentMemory)
{
    QByteArray jpeg = makeJpeg(GetParam());
    if (QByteArray(GetParam().name) == "strayMarker")
        jpeg.replace(jpeg.size() / 2, 2, "\xFF\xD5");
    if (QByteArray(GetParam().name) == "cutShort")
        jpeg.chop(jpeg.size() / 2);
    QImage reuse = grain(GetParam().width, GetParam().height);
    const uchar* memory = reuse.constBits();
    RecordingSink sink;
    EXPECT_FALSE(decodeCameraJpeg(jpeg, &reuse, &sink).has_value());
    EXPECT_EQ(reuse.constBits(), memory);
    EXPECT_EQ(sink.abandoned, sink.prepared.isValid());
    // Qt's reader still makes what it makes of them.
    EXPECT_EQ(decodePicture(jpeg).ok(), GetParam().name != std::string("cutShort"));
}

INSTANTIATE_TEST_SUITE_P(Jpegcodec, LeftToQtTest,
    testing::Values(JpegMaker { .name = "grey", .lumaH = 1, .lumaV = 1, .space = JCS_GRAYSCALE },
        JpegMaker { .name = "rgbWithoutTransform", .lumaH = 1, .lumaV = 1, .space = JCS_RGB },
        JpegMaker { .name = "comment", .marker = JPEG_COM, .payload = "made by a camera" },
        JpegMaker { .name = "colourProfile",
            .marker = JPEG_APP0 + 2,
            .payload = QByteArray("ICC_PROFILE\0\x01\x01", 14) + QColorSpace(QColorSpace::SRgb).iccProfile() },
        JpegMaker { .name = "strayMarker", .width = 320, .height = 240 },
        JpegMaker { .name = "cutShort", .width = 320, .height = 240 }),
    nameOf);

TEST(Jpegcodec, DecodesIntoTheLentMemoryWithAFreshDensity)
{
    const QByteArray jpeg = makeJpeg({ "plain", 64, 48 });
    QImage reuse = grain(64, 48);
    reuse.setDotsPerMeterX(11811);
    const uchar* memory = reuse.constBits();
    const std::optional<QImage> decoded = decodeCameraJpeg(jpeg, &reuse);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->constBits(), memory);
    EXPECT_TRUE(reuse.isNull());
    EXPECT_EQ(decoded->dotsPerMeterX(), QImage(1, 1, QImage::Format_RGB32).dotsPerMeterX());
    EXPECT_EQ(*decoded, qtDecode(jpeg));
}

// Large pictures come from memory of their own; every picture must behave as one QImage makes.
TEST(PictureMemory, NewPicturesAreOrdinaryPictures)
{
    for (const QSize size : { QSize(1, 1), QSize(641, 480), QSize(2001, 1100) }) {
        for (const QImage::Format format : { QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888 }) {
            QImage picture = newPicture(size, format);
            const QImage usual(size, format);
            ASSERT_EQ(picture.size(), size);
            EXPECT_EQ(picture.format(), format);
            EXPECT_EQ(picture.bytesPerLine(), usual.bytesPerLine()) << size.width();
            picture.fill(QColor(10, 20, 30));
            picture.setPixelColor(size.width() - 1, size.height() - 1, QColor(200, 100, 50));
            const QImage copy = picture;
            picture.setPixelColor(0, 0, Qt::white); // detaches: the copy keeps its pixels
            EXPECT_EQ(copy.pixelColor(0, 0), size == QSize(1, 1) ? QColor(200, 100, 50) : QColor(10, 20, 30));
            EXPECT_EQ(copy.pixelColor(size.width() - 1, size.height() - 1), QColor(200, 100, 50));
        }
    }
}

// The decoder's side played by another thread, a band at a time: the file is Qt's JPEG of the picture.
TEST(PictureFiler, FollowsRowsFromAnotherThreadAndWritesWhenTold)
{
    // Shorter and much taller than the rows the encoding waits for at a time.
    for (const int height : { 203, 1100 }) {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("1_1.jpg"));
        const QImage picture = grain(300, height);
        PictureFiler filer(PictureQuality);
        filer.picturePrepared(picture);
        std::thread decoder([&] {
            for (int rows = 7; rows < picture.height(); rows += 7)
                filer.rowsFinished(rows);
            filer.rowsFinished(picture.height());
        });
        filer.writeTo(path);
        decoder.join();
        QString error;
        EXPECT_TRUE(filer.finish(&error)) << error.toStdString();
        EXPECT_EQ(readWholeFile(path), qtEncode(picture)) << height;
        EXPECT_FALSE(filer.busy());
    }
}

enum class Ending { Discard, FinishWithoutPath, Abandon, Destroy };

class FilerEndingTest : public testing::TestWithParam<Ending> { };

// A filing nobody gave a place, or whose decoding was abandoned after it was given one, writes nothing, also
// half way through the rows: no file appears, and the writer is never called.
TEST_P(FilerEndingTest, WritesNothing)
{
    QTemporaryDir folder;
    const QImage picture = grain(64, 64);
    auto writes = std::make_shared<std::atomic<int>>(0);
    {
        PictureFiler filer(PictureQuality, 2s, [writes](const QString& to, const QByteArray& content, QString* error) {
            ++*writes;
            return writeFileDurably(to, content, error);
        });
        filer.picturePrepared(picture);
        filer.rowsFinished(32);
        switch (GetParam()) {
        case Ending::Discard:
            filer.discard();
            break;
        case Ending::FinishWithoutPath:
            EXPECT_FALSE(filer.finish(nullptr));
            break;
        case Ending::Abandon:
            filer.writeTo(folder.filePath(QStringLiteral("1_1.jpg")));
            filer.decodingAbandoned();
            break;
        case Ending::Destroy:
            break;
        }
    }
    EXPECT_EQ(*writes, 0);
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(PictureFiler, FilerEndingTest,
    testing::Values(Ending::Discard, Ending::FinishWithoutPath, Ending::Abandon, Ending::Destroy));

// Pictures Qt decoded whole go through Qt's writer where it would add or convert something.
TEST(PictureFiler, FilesWholePicturesAsTheJpegWriterDoes)
{
    QImage indexed = grain(40, 30).convertToFormat(QImage::Format_Indexed8);
    QImage described = grain(40, 30);
    described.setText(QStringLiteral("Description"), QStringLiteral("pole 3"));
    QTemporaryDir folder;
    int n = 0;
    for (const QImage& picture : { indexed, described, grain(40, 30) }) {
        const QString ours = folder.filePath(QStringLiteral("filed%1.jpg").arg(++n));
        const QString reference = folder.filePath(QStringLiteral("reference%1.jpg").arg(n));
        PictureFiler filer(PictureQuality);
        filer.fileWhole(picture);
        filer.writeTo(ours);
        EXPECT_TRUE(filer.finish(nullptr));
        ASSERT_TRUE(DCSavetoJPEG(picture, picture.width(), picture.height(), reference, PictureQuality));
        EXPECT_EQ(readWholeFile(ours), readWholeFile(reference)) << n;
    }
}

// The filing counts as written only when the JPEG and what is written beside it (the camera's original) both
// are; the companion runs only once the JPEG is on disk, and a failure names the file in error.
TEST(PictureFiler, AFailedWriteNamesTheFileAndKeepsNothingHalfDone)
{
    const struct {
        const char* name;
        bool folderMissing;
        bool companionFails;
        bool written;
    } rows[] = {
        { "jpegFails", true, false, false },
        { "companionFails", false, true, false },
        { "bothWritten", false, false, true },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        const QString path
            = folder.filePath(row.folderMissing ? QStringLiteral("missing/1_1.jpg") : QStringLiteral("1_1.jpg"));
        bool companionRan = false;
        bool jpegBeforeCompanion = false;
        PictureFiler filer(PictureQuality);
        filer.fileWhole(grain(32, 32));
        filer.writeTo(path, [&](QString* error) {
            companionRan = true;
            jpegBeforeCompanion = QFileInfo(path).size() > 0;
            *error = QStringLiteral("beside it");
            return !row.companionFails;
        });
        QString error;
        EXPECT_EQ(filer.finish(&error), row.written);
        EXPECT_EQ(companionRan, !row.folderMissing);
        EXPECT_EQ(jpegBeforeCompanion, !row.folderMissing);
        if (row.folderMissing) {
            EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
            EXPECT_TRUE(QDir(folder.path()).isEmpty());
        } else if (row.companionFails) {
            EXPECT_EQ(error, QStringLiteral("beside it"));
        }
    }
}

enum class Wait { Finish, Discard, Destroy };

class FilerWaitTest : public testing::TestWithParam<Wait> { };

// The window never waits on a hanging write longer than the limit: the filing counts as failed and is written
// once the disk answers, telling nobody; the next filing is reported as it goes.
TEST_P(FilerWaitTest, AHangingWriteIsLeftToGoOnAfterTheLimit)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("1_1.jpg"));
    const auto gate = std::make_shared<Gate>();
    auto ended = std::make_shared<std::atomic<int>>(0);
    auto filer = std::make_unique<PictureFiler>(
        PictureQuality, 200ms, [gate](const QString& to, const QByteArray& content, QString* error) {
            gate->pass();
            return writeFileDurably(to, content, error);
        });
    filer->setEnded([ended] { ++*ended; });
    filer->fileWhole(grain(32, 32));
    filer->writeTo(path);
    const auto before = std::chrono::steady_clock::now();
    QString error;
    switch (GetParam()) {
    case Wait::Finish:
        EXPECT_FALSE(filer->finish(&error));
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("書き込みが終わりません（0.2秒）"))) << error.toStdString();
        EXPECT_FALSE(filer->busy());
        break;
    case Wait::Discard:
        filer->discard();
        EXPECT_FALSE(filer->busy());
        break;
    case Wait::Destroy:
        filer.reset();
        break;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    gate->letGo();
    EXPECT_TRUE(appearsWithin(path, 5s));
    if (!filer)
        return;
    const QString next = folder.filePath(QStringLiteral("1_2.jpg"));
    filer->fileWhole(grain(32, 32));
    filer->writeTo(next);
    EXPECT_TRUE(filer->finish(&error)) << error.toStdString();
    EXPECT_EQ(readWholeFile(next), qtEncode(grain(32, 32)));
    // Told of the second filing, never of the first, whose wait ran out.
    EXPECT_EQ(*ended, 1);
}

INSTANTIATE_TEST_SUITE_P(PictureFiler, FilerWaitTest, testing::Values(Wait::Finish, Wait::Discard, Wait::Destroy));

} // namespace
