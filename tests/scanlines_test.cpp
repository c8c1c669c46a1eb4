#include "analysis/directionestimate.h"
#include "analysis/scanlines.h"

#include "testsupport.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

using namespace norvel;

namespace {

AnalysisRange range(qint16 left, qint16 width, qint16 top, qint16 height)
{
    return { { left, width }, { top, height } };
}

using Fill = std::pair<QRect, QColor>;

QImage paintedPicture(QSize size, const std::vector<Fill>& fills)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    for (const auto& [rect, colour] : fills)
        painter.fillRect(rect, colour);
    return picture;
}

// 8 x 6, white: column 2 black, column 3 grey 50, row 4 a colour of brightness 31 over both.
QImage smallPicture()
{
    return paintedPicture({ 8, 6 },
        { { QRect(2, 0, 1, 6), Qt::black }, { QRect(3, 0, 1, 6), QColor(128, 128, 128) },
            { QRect(0, 4, 8, 1), QColor(200, 30, 10) } });
}

const float largeRate = static_cast<float>(480.0 / 1944); // a 2592 x 1944 picture shown 480 high
const ViewGeometry vga { 1, 1, range(0, 640, 0, 480) };
const ViewGeometry zoomed { 1, 2.5f, range(192, 256, 144, 192) };

TEST(PxPerMmTest, is185OnlyAtExactly1600)
{
    EXPECT_EQ(analysisPxPerMm(1600), 185.0f);
    EXPECT_EQ(analysisPxPerMm(640), 91.0f);
    EXPECT_EQ(analysisPxPerMm(1280), 182.0f);
    for (const int width : { 1599, 1601, 2592 })
        EXPECT_EQ(analysisPxPerMm(width), static_cast<float>(91.0 / 640 * width)) << width;
}

struct LineCase {
    const char* name;
    ScanDirection direction;
    ViewGeometry view;
    std::array<qint16, 5> positions;
    qint16 first;
    qint16 last;
};

class ScanLinesTest : public ::testing::TestWithParam<LineCase> { };

TEST_P(ScanLinesTest, lieAHundredViewPixelsApartAcrossTheRange)
{
    const LineCase& c = GetParam();
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(scanLinePosition(k, c.direction, c.view), c.positions[static_cast<std::size_t>(k)]) << k;
    const ScanRange along = scanRange(c.direction, c.view);
    EXPECT_EQ(along.first, c.first);
    EXPECT_EQ(along.last, c.last);
}

constexpr auto V = ScanDirection::Vertical;
constexpr auto H = ScanDirection::Horizontal;

INSTANTIATE_TEST_SUITE_P(Views, ScanLinesTest,
    ::testing::Values(LineCase { "vga_vertical", V, vga, { 120, 220, 320, 420, 520 }, 0, 480 },
        LineCase { "vga_horizontal", H, vga, { 40, 140, 240, 340, 440 }, 0, 640 },
        LineCase {
            "large_vertical", V, { largeRate, 1, range(0, 640, 0, 480) }, { 486, 891, 1296, 1701, 2106 }, 0, 1944 },
        LineCase {
            "large_horizontal", H, { largeRate, 1, range(0, 640, 0, 480) }, { 162, 567, 972, 1377, 1782 }, 0, 2592 },
        LineCase { "zoomed_vertical", V, zoomed, { 240, 280, 320, 360, 400 }, 144, 336 },
        LineCase { "zoomed_horizontal", H, zoomed, { 160, 200, 240, 280, 320 }, 192, 448 },
        // An odd width halves to .5 on every line: 120.5 -> 120 here, 121.5 -> 122 below.
        LineCase { "halves_down", V, { 1, 1, range(0, 641, 0, 480) }, { 120, 220, 320, 420, 520 }, 0, 480 },
        LineCase { "halves_up", V, { 1, 1, range(1, 641, 0, 480) }, { 122, 222, 322, 422, 522 }, 0, 480 },
        LineCase { "range_halves", H, { 2, 1, range(3, 2, 0, 480) }, { 20, 70, 120, 170, 220 }, 2, 2 }),
    caseName<LineCase>);

struct SampleCase {
    const char* name;
    ScanDirection direction;
    int fixed;
    ScanRange along;
    bool invert;
    std::vector<qint16> values;
    int first;
    int last;
};

class SampleScanLineTest : public ::testing::TestWithParam<SampleCase> { };

TEST_P(SampleScanLineTest, fillsTheRangeAndReadsOutsideAsWhite)
{
    const SampleCase& c = GetParam();
    const Profile profile = sampleScanLine(smallPicture(), c.direction, c.fixed, c.along, c.invert);
    EXPECT_EQ(profile.values, c.values);
    EXPECT_EQ(profile.first, c.first);
    EXPECT_EQ(profile.last, c.last);
}

INSTANTIATE_TEST_SUITE_P(Lines, SampleScanLineTest,
    ::testing::Values(SampleCase { "row", H, 1, { 0, 8 }, false, { 100, 100, 0, 50, 100, 100, 100, 100 }, 0, 7 },
        SampleCase { "row_inverted", H, 1, { 0, 8 }, true, { 0, 0, 100, 50, 0, 0, 0, 0 }, 0, 7 },
        SampleCase { "coloured_row", H, 4, { 0, 8 }, false, { 31, 31, 31, 31, 31, 31, 31, 31 }, 0, 7 },
        SampleCase { "column", V, 2, { 0, 6 }, false, { 0, 0, 0, 0, 31, 0 }, 0, 5 },
        SampleCase { "part_of_column", V, 3, { 1, 4 }, false, { 0, 50, 50, 50, 31, 0 }, 1, 4 },
        SampleCase { "row_below", H, 6, { 0, 8 }, false, {}, 0, -1 },
        SampleCase { "column_left", V, -1, { 0, 6 }, false, {}, 0, -1 },
        SampleCase { "column_right", V, 8, { 2, 6 }, false, {}, 0, -1 },
        SampleCase { "range_past_picture", H, 1, { -3, 20 }, false, { 100, 100, 0, 50, 100, 100, 100, 100 }, 0, 7 }),
    caseName<SampleCase>);

TEST(SampleScanLineTest, readsOtherFormatsAlike)
{
    const QImage picture = smallPicture();
    for (const auto format : { QImage::Format_RGB888, QImage::Format_BGR888, QImage::Format_ARGB32,
             QImage::Format_ARGB32_Premultiplied, QImage::Format_RGBA8888, QImage::Format_Indexed8 }) {
        const QImage other = picture.convertToFormat(format);
        for (const auto& [direction, fixed] : { std::pair { H, 4 }, std::pair { V, 2 }, std::pair { V, 3 } })
            EXPECT_EQ(sampleScanLine(other, direction, fixed, { 0, 8 }, false).values,
                sampleScanLine(picture, direction, fixed, { 0, 8 }, false).values)
                << format;
    }
}

TEST(SamplePointsTest, readsTheNearestPixelWithHalvesToEven)
{
    const std::vector<QPointF> points { { 2.5, 1 }, { 3.5, 1 }, { 2.6, 1 }, { -0.5, 4 }, { -0.6, 4 }, { 7.4, 4 },
        { 7.5, 4 }, { 1, 4.5 }, { 1, 5.5 }, { 1e9, 1 } };
    const std::vector<qint16> expected { 0, 100, 50, 31, 100, 31, 100, 31, 100, 100 };
    const Profile profile = samplePoints(smallPicture(), points, false);
    EXPECT_EQ(profile.values, expected);
    EXPECT_EQ(profile.first, 0);
    EXPECT_EQ(profile.last, 9);
    const Profile inverted = samplePoints(smallPicture(), points, true);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(inverted.values[i], 100 - expected[i]) << i;
}

// Inverted methods must find on a picture what the plain ones find on its brightness turned over.
TEST(InvertedMethodsTest, findWhatPlainOnesFindOnTurnedOverBrightness)
{
    std::mt19937 random(20240611);
    QImage picture(640, 480, QImage::Format_RGB32);
    // Stretches of 1 to 12 pixels of one random grey, so that runs of several widths occur.
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width();) {
            const int grey = static_cast<int>(random() % 256);
            const int end = std::min(x + 1 + static_cast<int>(random() % 12), picture.width());
            for (; x < end; ++x)
                picture.setPixel(x, y, qRgb(grey, grey, grey));
        }
    int found = 0;
    for (const bool automatic : { false, true })
        for (const qint16 method : { 2, 3 }) {
            const DetectionSettings inverted { .method = method, .autoThreshold = automatic };
            DetectionSettings plain = inverted;
            plain.method = static_cast<qint16>(method - 2);
            const AnalysisResult result = analysePicture(picture, H, zoomed, inverted);
            for (const ScanLineResult& line : result.lines) {
                Profile turned = sampleScanLine(picture, H, line.fixed, scanRange(H, zoomed), false);
                for (qint16& v : turned.values)
                    v = static_cast<qint16>(100 - v);
                const LineScan expected = scanProfile(turned, plain, result.pxPerMm);
                EXPECT_EQ(line.scan.run, expected.run) << method << " line " << line.fixed;
                EXPECT_EQ(line.scan.thresholdText, expected.thresholdText);
                found += line.scan.run.width != 0;
            }
        }
    EXPECT_GT(found, 10);
}

struct AnalysisCase {
    const char* name;
    QSize size;
    std::vector<Fill> fills;
    ScanDirection direction;
    ViewGeometry view;
    DetectionSettings settings;
    std::array<CrackRun, 5> runs;
    std::array<const char*, 5> texts;
};

template <typename T> std::array<T, 5> everyLine(T value)
{
    return { value, value, value, value, value };
}

class AnalysePictureTest : public ::testing::TestWithParam<AnalysisCase> { };

TEST_P(AnalysePictureTest, measuresEachLineOnItsOwn)
{
    const AnalysisCase& c = GetParam();
    const AnalysisResult result = analysePicture(paintedPicture(c.size, c.fills), c.direction, c.view, c.settings);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(result.lines[k].scan.run.width, c.runs[k].width) << k;
        if (c.runs[k].width != 0) {
            EXPECT_EQ(result.lines[k].scan.run.start, c.runs[k].start) << k;
        }
        EXPECT_EQ(result.lines[k].scan.thresholdText, QString::fromLatin1(c.texts[k])) << k;
    }
}

const std::vector<Fill> verticalBand { { QRect(300, 0, 30, 480), Qt::black } };
// Dark ground, a different grey around each horizontal line (brightness 12, 25, 38, 19, 31), a white scratch.
const std::vector<Fill> darkGround { { QRect(0, 0, 1280, 180), QColor(32, 32, 32) },
    { QRect(0, 180, 1280, 200), QColor(64, 64, 64) }, { QRect(0, 380, 1280, 200), QColor(96, 96, 96) },
    { QRect(0, 580, 1280, 200), QColor(48, 48, 48) }, { QRect(0, 780, 1280, 180), QColor(80, 80, 80) },
    { QRect(600, 0, 24, 960), Qt::white } };
const ViewGeometry halfScale { 0.5f, 1, range(0, 640, 0, 480) };

INSTANTIATE_TEST_SUITE_P(Pictures, AnalysePictureTest,
    ::testing::Values(AnalysisCase { "band_across_lines", { 640, 480 }, verticalBand, H, vga, {},
                          everyLine(CrackRun { 300, 30 }), everyLine("40") },
        AnalysisCase { "band_across_lines_auto", { 640, 480 }, verticalBand, H, vga, { .autoThreshold = true },
            everyLine(CrackRun { 300, 30 }), everyLine("50") },
        // Line 2 lies inside the band: its 480 dark pixels run from edge to edge, so are no crossing, limit or not.
        AnalysisCase {
            "band_along_lines", { 640, 480 }, verticalBand, V, vga, {}, everyLine(CrackRun { 0, 0 }), everyLine("40") },
        AnalysisCase { "band_along_lines_no_limit", { 640, 480 }, verticalBand, V, vga, { .limitInForce = false },
            everyLine(CrackRun { 0, 0 }), everyLine("40") },
        // Inverted, the white scratch reads 0: it is the smallest value of every line.
        AnalysisCase { "light_scratch_on_dark_auto", { 1280, 960 }, darkGround, H, halfScale,
            { .method = 2, .autoThreshold = true }, everyLine(CrackRun { 600, 24 }),
            { "44", "37.5", "31", "40.5", "34.5" } },
        // At the whole view the scan ends on the last column: a crack running into the edge is still open there.
        AnalysisCase { "crack_at_picture_edge", { 640, 480 },
            { { QRect(300, 0, 10, 480), Qt::black }, { QRect(620, 0, 20, 480), Qt::black } }, H, vga, { .method = 0 },
            everyLine(CrackRun { 300, 10 }), everyLine("40") },
        // A stub at the picture's edge is left out: line 0 finds nothing, the others the whole crossing.
        AnalysisCase { "stub_at_the_edge", { 640, 480 },
            { { QRect(300, 100, 30, 380), Qt::black }, { QRect(0, 0, 6, 60), Qt::black } }, H, vga, {},
            { { {}, { 300, 30 }, { 300, 30 }, { 300, 30 }, { 300, 30 } } }, everyLine("40") },
        // Only the picture's own pixels set the threshold: (87 + 12) / 2, not (100 + 12) / 2.
        AnalysisCase { "threshold_from_the_picture_only", { 640, 480 },
            { { QRect(0, 0, 640, 480), QColor(223, 223, 223) }, { QRect(300, 0, 30, 480), QColor(32, 32, 32) } }, H,
            vga, { .autoThreshold = true }, everyLine(CrackRun { 300, 30 }), everyLine("49.5") },
        // Shown 640 wide or 480 high, the lines 300 or 400 pixels apart would fall off the picture's short side.
        AnalysisCase { "wide_picture_rows", { 1920, 1080 }, { { QRect(900, 0, 30, 1080), Qt::black } }, H,
            { 1.0f / 3, 1, range(0, 640, 0, 360) }, {}, everyLine(CrackRun { 900, 30 }), everyLine("40") },
        AnalysisCase { "tall_picture_columns", { 1080, 1920 }, { { QRect(0, 900, 1080, 30), Qt::black } }, V,
            { 0.25f, 1, range(0, 270, 0, 480) }, {}, everyLine(CrackRun { 900, 30 }), everyLine("40") },
        // The range ends at x 448 inside the crack: as the first run it counts as it stands.
        AnalysisCase { "crack_at_range_end", { 640, 480 }, { { QRect(430, 0, 40, 480), Qt::black } }, H, zoomed,
            { .method = 0 }, everyLine(CrackRun { 430, 19 }), everyLine("40") },
        AnalysisCase { "crack_at_range_end_after_another", { 640, 480 },
            { { QRect(250, 0, 10, 480), Qt::black }, { QRect(430, 0, 40, 480), Qt::black } }, H, zoomed,
            { .method = 0 }, everyLine(CrackRun { 250, 10 }), everyLine("40") }),
    caseName<AnalysisCase>);

// The crack's path through the centres of the runs that made the width, five lines 100 pixels apart from 100.
struct EstimateCase {
    const char* name;
    ScanDirection direction;
    std::array<CrackRun, 5> runs;
    CrackDirection expected;
};

class EstimatedDirectionTest : public ::testing::TestWithParam<EstimateCase> { };

TEST_P(EstimatedDirectionTest, fromTheSlopeOfTheRunCentresAcrossTheLines)
{
    AnalysisResult result;
    for (std::size_t k = 0; k < 5; ++k)
        result.lines[k] = { qint16(100 * (k + 1)), { QString(), GetParam().runs[k], {} } };
    EXPECT_EQ(estimatedDirection(result, GetParam().direction), GetParam().expected);
}

// Centres moving 84 a line are 40° off the lines' own axis, 175 just past 60°: rows then give 30° from the level.
INSTANTIATE_TEST_SUITE_P(Runs, EstimatedDirectionTest,
    ::testing::Values(EstimateCase { "columns_level", V, everyLine(CrackRun { 300, 10 }), CrackDirection::Transverse },
        EstimateCase { "columns_forty", V, { { { 300, 9 }, { 384, 9 }, { 468, 9 }, { 552, 9 }, { 636, 9 } } },
            CrackDirection::Oblique },
        EstimateCase { "rows_sixty", H, { { { 300, 9 }, { 475, 9 }, { 650, 9 }, { 825, 9 }, { 1000, 9 } } },
            CrackDirection::Transverse },
        // The centre, not the start: the wider runs reach back as far as the narrower ones reach forward.
        EstimateCase { "centres_of_uneven_runs", V,
            { { { 500, 10 }, { 400, 210 }, { 300, 410 }, { 200, 610 }, { 100, 810 } } }, CrackDirection::Transverse },
        // The widest and the narrowest of four are left out of the width, and of the path.
        EstimateCase { "lines_left_out_of_the_width", V, { { { 300, 10 }, { 900, 40 }, {}, { 300, 11 }, { 100, 2 } } },
            CrackDirection::Transverse },
        EstimateCase { "one_line", V, { { {}, {}, { 300, 10 }, {}, {} } }, CrackDirection::Unknown }),
    caseName<EstimateCase>);

} // namespace
