#include "measure/manualline.h"

#include "core/numbers.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace norvel;

namespace {

void expectPoint(QPointF actual, QPointF expected, const char* what)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-4) << what;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-4) << what;
}

struct DragCase {
    const char* name;
    QPointF press;
    QPointF release;
    ViewMapping mapping;
    std::optional<DraggedLine> expected;
};

class DraggedLineTest : public testing::TestWithParam<DragCase> { };

TEST_P(DraggedLineTest, isHeldInUnmagnifiedDisplayPixels)
{
    const DragCase& c = GetParam();
    const std::optional<DraggedLine> line = draggedLine(c.press, c.release, c.mapping);
    ASSERT_EQ(line.has_value(), c.expected.has_value());
    if (line) {
        EXPECT_EQ(line->sx, c.expected->sx);
        EXPECT_EQ(line->sy, c.expected->sy);
        EXPECT_EQ(line->dx, c.expected->dx);
        EXPECT_EQ(line->dy, c.expected->dy);
        EXPECT_EQ(line->n, c.expected->n);
    }
}

const ViewMapping full04 { 0.4f, 1, 0, 0 };
const ViewMapping twoHalf04 { 0.4f, 2.5f, 192, 144 };
const ViewMapping five05 { 0.5f, 5, 256, 192 };

INSTANTIATE_TEST_SUITE_P(Drags, DraggedLineTest,
    testing::Values(DragCase { "full_down", { 100, 200 }, { 100, 260 }, full04, DraggedLine { 100, 200, 0, 60, 150 } },
        DragCase { "full_up", { 100, 260 }, { 100, 200 }, full04, DraggedLine { 100, 260, 0, -60, 150 } },
        DragCase { "magnified", { 100, 50 }, { 100, 200 }, twoHalf04, DraggedLine { 232, 164, 0, 60, 150 } },
        DragCase { "diagonal", { 0, 0 }, { 30, 40 }, { 0.5f, 1, 0, 0 }, DraggedLine { 0, 0, 30, 40, 100 } },
        // 232.5 and 164.5, then 231.5 and 163.5: halves to even.
        DragCase { "start_halves_down", { 101.25, 51.25 }, { 101.25, 201.25 }, twoHalf04,
            DraggedLine { 232, 164, 0, 60, 150 } },
        DragCase {
            "start_halves_up", { 98.75, 48.75 }, { 98.75, 198.75 }, twoHalf04, DraggedLine { 232, 164, 0, 60, 150 } },
        DragCase { "extent_halves", { 0, 0 }, { 7.5, 2.5 }, five05, DraggedLine { 256, 192, 2, 0, 4 } },
        DragCase { "click", { 100, 200 }, { 100, 200 }, full04, std::nullopt },
        DragCase { "under_a_display_pixel", { 100, 200 }, { 102, 201 }, five05, std::nullopt },
        DragCase { "half_display_pixels", { 0, 0 }, { 2.5, -2.5 }, five05, std::nullopt }),
    caseName<DragCase>);

TEST(DraggedLineTest, refusesALengthBeyondSixteenBits)
{
    EXPECT_THROW((void)draggedLine({ 0, 0 }, { 0, 60 }, { 0.001f, 1, 0, 0 }), OverflowError);
}

TEST(LinePointsTest, fallOnePicturePixelApartAlongAColumn)
{
    const struct {
        DraggedLine line;
        double x;
        double firstY;
    } cases[] = { { { 100, 200, 0, 60, 150 }, 250, 500 }, { { 232, 164, 0, 60, 150 }, 580, 410 } };
    for (const auto& c : cases) {
        const std::vector<QPointF> points = linePoints(c.line, 0.4f);
        ASSERT_EQ(points.size(), 151u);
        for (int i = 0; i <= 150; ++i) {
            EXPECT_EQ(points[static_cast<std::size_t>(i)].x(), c.x) << i;
            EXPECT_EQ(points[static_cast<std::size_t>(i)].y(), c.firstY + i) << i;
        }
    }
}

TEST(LinePointsTest, areHeldAsSingles)
{
    const std::vector<QPointF> points = linePoints({ 0, 0, 30, 40, 100 }, 0.5f);
    ASSERT_EQ(points.size(), 101u);
    EXPECT_EQ(points[0], QPointF(0, 0));
    EXPECT_EQ(points[1].x(), double(0.6f));
    EXPECT_EQ(points[1].y(), double(0.8f));
    EXPECT_EQ(points[100].x(), 60);
    EXPECT_EQ(points[100].y(), 80);
}

struct MarkCase {
    const char* name;
    QPointF press;
    DraggedLine line;
    float zoom;
    qint16 start;
    qint16 width;
    QLineF segment;
    QPointF label;
};

class LineRunMarkTest : public testing::TestWithParam<MarkCase> { };

TEST_P(LineRunMarkTest, liesOnTheDraggedLine)
{
    const MarkCase& c = GetParam();
    const LineRunMark mark = lineRunMark(c.press, c.line, c.zoom, c.start, c.width);
    expectPoint(mark.segment.p1(), c.segment.p1(), "from");
    expectPoint(mark.segment.p2(), c.segment.p2(), "to");
    expectPoint(mark.labelTopLeft, c.label, "label");
}

INSTANTIATE_TEST_SUITE_P(Runs, LineRunMarkTest,
    testing::Values(MarkCase { "full_down", { 100, 200 }, { 100, 200, 0, 60, 150 }, 1, 70, 37, { 100, 228, 100, 242.8 },
                        { 105, 235.4 } },
        MarkCase {
            "full_up", { 100, 260 }, { 100, 260, 0, -60, 150 }, 1, 70, 37, { 100, 232, 100, 217.2 }, { 105, 224.6 } },
        MarkCase {
            "magnified", { 100, 50 }, { 232, 164, 0, 60, 150 }, 2.5f, 70, 37, { 100, 120, 100, 157 }, { 105, 138.5 } },
        MarkCase { "magnified_whole_line", { 100, 50 }, { 232, 164, 0, 60, 150 }, 2.5f, 0, 150, { 100, 50, 100, 200 },
            { 105, 125 } },
        MarkCase { "diagonal", { 0, 0 }, { 0, 0, 30, 40, 100 }, 1, 10, 20, { 3, 4, 9, 12 }, { 11, 8 } },
        MarkCase {
            "leftwards_5", { 300, 100 }, { 316, 212, -20, 0, 50 }, 5, 10, 5, { 280, 100, 270, 100 }, { 280, 100 } }),
    caseName<MarkCase>);

} // namespace
