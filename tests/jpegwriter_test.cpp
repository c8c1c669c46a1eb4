#include "picture/jpegwriter.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

using namespace norvel;

namespace {

const QRgb red = qRgb(220, 20, 20);
const QRgb blue = qRgb(20, 20, 220);

QImage flat(int width, int height, QRgb colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image.convertToFormat(format);
}

// Left half red, right half blue.
QImage twoColours(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, x < width / 2 ? red : blue);
    return image;
}

QImage readPicture(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    EXPECT_EQ(reader.format(), "jpeg");
    return reader.read();
}

bool isDark(QRgb colour)
{
    return qRed(colour) < 16 && qGreen(colour) < 16 && qBlue(colour) < 16;
}
bool isRed(QRgb colour)
{
    return qRed(colour) > 180 && qGreen(colour) < 60 && qBlue(colour) < 60;
}

struct RegionCase {
    std::string name;
    QImage picture;
    int width;
    int height;
};

class RegionTest : public testing::TestWithParam<RegionCase> { };

TEST_P(RegionTest, WritesTheRegionSize)
{
    const auto& c = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("P0001.JPG");
    QString error;
    ASSERT_TRUE(DCSavetoJPEG(c.picture, c.width, c.height, path, 90, &error)) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());

    const QImage written = readPicture(path);
    ASSERT_EQ(written.size(), QSize(c.width, c.height));
    // Inside the picture its colour, outside black, whatever the picture's format.
    const QRgb inside = written.pixel(0, 0);
    EXPECT_TRUE(isRed(inside)) << std::hex << inside;
    if (c.width > c.picture.width() + 8) {
        const QRgb outside = written.pixel(c.width - 1, 0);
        EXPECT_TRUE(isDark(outside)) << std::hex << outside;
    }
    if (c.height > c.picture.height() + 8) {
        const QRgb outside = written.pixel(0, c.height - 1);
        EXPECT_TRUE(isDark(outside)) << std::hex << outside;
    }
}

QImage indexedWithWhiteFirst(int width, int height)
{
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable({ qRgb(255, 255, 255), red });
    image.fill(1);
    return image;
}

INSTANTIATE_TEST_SUITE_P(Jpegwriter, RegionTest,
    testing::Values(RegionCase { "whole", flat(64, 48, red), 64, 48 },
        RegionCase { "smaller", flat(64, 48, red), 33, 17 }, RegionCase { "one_pixel", flat(64, 48, red), 1, 1 },
        RegionCase { "wider_than_picture", flat(64, 48, red), 96, 48 },
        RegionCase { "taller_than_picture", flat(64, 48, red), 64, 80 },
        RegionCase { "argb_larger", flat(64, 48, red, QImage::Format_ARGB32), 96, 80 },
        RegionCase { "rgb888_larger", flat(64, 48, red, QImage::Format_RGB888), 96, 80 },
        RegionCase { "indexed_larger", indexedWithWhiteFirst(64, 48), 96, 80 }),
    caseName<RegionCase>);

TEST(Jpegwriter, TakesTheTopLeftRegion)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    QString error;
    ASSERT_TRUE(writeJpeg(twoColours(128, 64), 64, 32, &buffer, 90, &error)) << error.toStdString();
    buffer.seek(0);
    const QImage written = QImageReader(&buffer).read();
    ASSERT_EQ(written.size(), QSize(64, 32));
    for (int y = 0; y < written.height(); y += 4)
        for (int x = 0; x < written.width(); x += 4)
            EXPECT_TRUE(isRed(written.pixel(x, y))) << x << "," << y << ": " << std::hex << written.pixel(x, y);
}

TEST(Jpegwriter, QualityChangesTheOutput)
{
    QImage picture(128, 128, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 2, y * 2, (x * y) & 0xFF));
    const auto encodedSize = [&](int quality) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(writeJpeg(picture, 128, 128, &buffer, quality));
        return buffer.size();
    };
    const qint64 good = encodedSize(75);
    const qint64 poor = encodedSize(10);
    EXPECT_GT(poor, 0);
    EXPECT_LT(poor, good);
}

TEST(Jpegwriter, ReplacesAnExistingFile)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("P0001.JPG");
    ASSERT_TRUE(writeWholeFile(path, QByteArray(100000, 'x')));

    ASSERT_TRUE(DCSavetoJPEG(flat(40, 30, red), 40, 30, path, 75));
    EXPECT_EQ(readPicture(path).size(), QSize(40, 30));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList { "P0001.JPG" });
}

TEST(Jpegwriter, FolderThatDoesNotExistFails)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("missing/P0001.JPG");
    QString error;
    EXPECT_FALSE(DCSavetoJPEG(flat(40, 30, red), 40, 30, path, 75, &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
    EXPECT_GT(error.indexOf('\n'), 0) << "expected the reason on a line of its own";
    // The durable writer's reason, in Japanese, with the system's words as the detail.
    EXPECT_TRUE(error.endsWith(QStringLiteral("一時ファイルを作れません（%1）。").arg(qt_error_string(ENOENT))))
        << error.toStdString();
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST(Jpegwriter, ReadOnlyFolderKeepsTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("P0001.JPG");
    const QByteArray old(5000, 'o');
    ASSERT_TRUE(writeWholeFile(path, old));
    const auto writable = QFile::permissions(folder.path());
    ASSERT_TRUE(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));

    QString error;
    const bool written = DCSavetoJPEG(flat(40, 30, red), 40, 30, path, 75, &error);
    const QStringList entries = QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QFile::setPermissions(folder.path(), writable);

    EXPECT_FALSE(written);
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
    EXPECT_EQ(readWholeFile(path), old);
    EXPECT_EQ(entries, QStringList { "P0001.JPG" });
}

struct RefusedCase {
    std::string name;
    QImage picture;
    int width;
    int height;
    const char* reason; // the Japanese reason, in the message too
};

class RefusedTest : public testing::TestWithParam<RefusedCase> { };

TEST_P(RefusedTest, WritesNothing)
{
    const auto& c = GetParam();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    EXPECT_FALSE(writeJpeg(c.picture, c.width, c.height, &buffer, 75, &error));
    EXPECT_EQ(error, QString::fromUtf8(c.reason));
    EXPECT_EQ(buffer.size(), 0);

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("P0001.JPG");
    error.clear();
    EXPECT_FALSE(DCSavetoJPEG(c.picture, c.width, c.height, path, 75, &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
    EXPECT_TRUE(error.endsWith(QString::fromUtf8(c.reason))) << error.toStdString();
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Jpegwriter, RefusedTest,
    testing::Values(RefusedCase { "zero_width", flat(8, 8, red), 0, 8, "書き込む範囲（0×8画素）が空です。" },
        RefusedCase { "zero_height", flat(8, 8, red), 8, 0, "書き込む範囲（8×0画素）が空です。" },
        RefusedCase { "negative_width", flat(8, 8, red), -8, 8, "書き込む範囲（-8×8画素）が空です。" },
        RefusedCase { "null_picture", QImage(), 8, 8, "書き込む画像がありません。" }),
    caseName<RefusedCase>);

TEST(Jpegwriter, DeviceThatRefusesWritingFails)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadOnly);
    QString error;
    EXPECT_FALSE(writeJpeg(flat(8, 8, red), 8, 8, &buffer, 75, &error));
    // Qt's own words stay as the detail.
    EXPECT_TRUE(error.startsWith(QStringLiteral("JPEGに変換して書き込めません（"))) << error.toStdString();
    EXPECT_EQ(writeJpeg(flat(8, 8, red), 8, 8, nullptr, 75, &error), false);
    EXPECT_EQ(error, QStringLiteral("画像の書き込み先がありません。"));
}

} // namespace
