#include "measure/range.h"

#include "core/numbers.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace norvel;

namespace {

AnalysisRange range(qint16 left, qint16 width, qint16 top, qint16 height)
{
    return { { left, width }, { top, height } };
}

struct CentredCase {
    const char* name;
    float innerWidth;
    float innerHeight;
    float zoom;
    AnalysisRange expected;
};

class CentredRangeTest : public ::testing::TestWithParam<CentredCase> { };

TEST_P(CentredRangeTest, isOneZoomthOfTheAreaInTheMiddle)
{
    const CentredCase& c = GetParam();
    EXPECT_EQ(centredRange(c.innerWidth, c.innerHeight, c.zoom), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Areas, CentredRangeTest,
    ::testing::Values(CentredCase { "vga_2_5", 640, 480, 2.5f, range(192, 256, 144, 192) },
        CentredCase { "vga_5", 640, 480, 5, range(256, 128, 192, 96) },
        CentredCase { "small_2_5", 560, 420, 2.5f, range(168, 224, 126, 168) },
        CentredCase { "small_5", 560, 420, 5, range(224, 112, 168, 84) },
        // 128.2 wide; the left edge 256.5 rounds to the even 256.
        CentredCase { "odd_641_5", 641, 480, 5, range(256, 128, 192, 96) },
        // A 1920 x 1080 picture at 480 rows is 853.3333 wide: 341.33 -> 341, 426.67 - 170.5 -> 256.
        CentredCase { "wide_2_5", 853.3333f, 480, 2.5f, range(256, 341, 144, 192) }),
    caseName<CentredCase>);

TEST(WholeRangeTest, coversTheRoundedDrawingArea)
{
    EXPECT_EQ(wholeRange(640, 480), range(0, 640, 0, 480));
    EXPECT_EQ(wholeRange(853.3333f, 480), range(0, 853, 0, 480));
    EXPECT_EQ(wholeRange(560.5f, 420), range(0, 560, 0, 420)); // halves to even
    EXPECT_THROW((void)wholeRange(40000, 480), OverflowError);
}

TEST(RectangleSidesTest, runLeftTopRightBottom)
{
    const auto sides = rectangleSides(QPoint(192, 144), 256, 192);
    EXPECT_EQ(sides[0], QLineF(192, 144, 192, 336));
    EXPECT_EQ(sides[1], QLineF(192, 144, 448, 144));
    EXPECT_EQ(sides[2], QLineF(448, 144, 448, 336));
    EXPECT_EQ(sides[3], QLineF(192, 336, 448, 336));
}

TEST(StrictlyInsideTest, excludesEverySide)
{
    const AnalysisRange r = range(256, 128, 192, 96);
    struct {
        double x, y;
        bool inside;
    } const cases[] = {
        { 300, 240, true },
        { 256.5, 192.5, true },
        { 256, 240, false }, // on the left side
        { 384, 240, false }, // on the right side
        { 300, 192, false }, // on the top
        { 300, 288, false }, // on the bottom
        { 383.9, 287.9, true },
        { 100, 240, false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(strictlyInside(r, c.x, c.y), c.inside) << c.x << "," << c.y;
}

struct DragCase {
    const char* name;
    double x;
    double y;
    QPoint expected;
};

class DragTest : public ::testing::TestWithParam<DragCase> { };

// The 5x rectangle on a 640 x 480 area, pressed at (300, 240).
TEST_P(DragTest, movesByTheDisplacementAndStopsAtTheEdges)
{
    const DragCase& c = GetParam();
    EXPECT_EQ(draggedTopLeft(range(256, 128, 192, 96), QPoint(300, 240), c.x, c.y, 640, 480), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Drags, DragTest,
    ::testing::Values(DragCase { "none", 300, 240, { 256, 192 } }, DragCase { "right_down", 310, 255, { 266, 207 } },
        DragCase { "fractional", 310.5, 240.5, { 266, 192 } }, // 266.5 and 192.5: halves to even
        DragCase { "past_left", 0, 240, { 0, 192 } }, DragCase { "fifty_past_left", -50 + 44, 240, { 0, 192 } },
        DragCase { "exactly_left", 44, 240, { 0, 192 } }, DragCase { "past_top", 300, -500, { 256, 0 } },
        DragCase { "past_right", 700, 240, { 512, 192 } }, DragCase { "exactly_right", 556, 240, { 512, 192 } },
        DragCase { "past_bottom", 300, 900, { 256, 384 } }, DragCase { "past_corner", 1000, 1000, { 512, 384 } }),
    caseName<DragCase>);

TEST(DragTest, clampsToTheFractionalFarEdgeRounded)
{
    // 853.3333 - 171 = 682.33: the rectangle stops at 682.
    EXPECT_EQ(draggedTopLeft(range(341, 171, 192, 96), QPoint(400, 240), 1000, 240, 853.3333f, 480), QPoint(682, 192));
}

TEST(MagnifiedSourceTest, isTheRangeInPicturePixels)
{
    // 2592 x 1944 at 480 rows: DspRate 0.24691358.
    const float rate = static_cast<float>(480.0 / 1944);
    const QRectF source = magnifiedSource(range(256, 128, 192, 96), rate);
    EXPECT_NEAR(source.x(), 1036.8, 1e-3);
    EXPECT_NEAR(source.y(), 777.6, 1e-3);
    EXPECT_NEAR(source.width(), 518.4, 1e-3);
    EXPECT_NEAR(source.height(), 388.8, 1e-3);
}

struct MappingCase {
    const char* name;
    ViewMapping mapping;
    QPointF view;
    QPointF image;
};

class MappingTest : public ::testing::TestWithParam<MappingCase> { };

TEST_P(MappingTest, mapsPicturePixelsToTheView)
{
    const MappingCase& c = GetParam();
    const QPointF view = imageToView(c.mapping, c.image);
    EXPECT_NEAR(view.x(), c.view.x(), 1e-3);
    EXPECT_NEAR(view.y(), c.view.y(), 1e-3);
}

INSTANTIATE_TEST_SUITE_P(States, MappingTest,
    ::testing::Values(MappingCase { "whole_half", { 0.5f, 1, 0, 0 }, { 320, 240 }, { 640, 480 } },
        MappingCase { "whole_small", { 0.875f, 1, 0, 0 }, { 560, 420 }, { 640, 480 } },
        MappingCase { "five_times", { 0.5f, 5, 256, 192 }, { 0, 0 }, { 512, 384 } },
        MappingCase { "five_times_far", { 0.5f, 5, 256, 192 }, { 640, 480 }, { 768, 576 } },
        MappingCase { "two_and_half", { 0.5f, 2.5f, 192, 144 }, { 100, 50 }, { 464, 328 } }),
    caseName<MappingCase>);

} // namespace
