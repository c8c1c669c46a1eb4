#include "analysis/summary.h"

#include "analysis/scanlines.h"
#include "core/numbers.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace norvel;

namespace {

constexpr auto H = ScanDirection::Horizontal;
constexpr auto V = ScanDirection::Vertical;

void expectPoint(QPointF actual, QPointF expected, const char* what)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-4) << what;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-4) << what;
}

struct SummaryCase {
    const char* name;
    std::array<qint16, 5> widths;
    float pxPerMm;
    int count;
    int largestLine;
    int smallestLine;
    std::array<bool, 5> used;
    std::optional<float> mm; // the mean worked out in double, then held as a single
    const char* shown;
};

class SummaryTest : public testing::TestWithParam<SummaryCase> { };

TEST_P(SummaryTest, combinesTheLinesThatFoundACrack)
{
    const SummaryCase& c = GetParam();
    const WidthSummary s = summariseWidths(c.widths, c.pxPerMm);
    EXPECT_EQ(s.count, c.count);
    EXPECT_EQ(s.largestLine, c.largestLine);
    EXPECT_EQ(s.smallestLine, c.smallestLine);
    EXPECT_EQ(s.used, c.used);
    ASSERT_EQ(s.combinedMm.has_value(), c.mm.has_value());
    if (c.mm) {
        EXPECT_EQ(*s.combinedMm, *c.mm);
        EXPECT_EQ(fixedText(*s.combinedMm, 2), c.shown);
    }
}

constexpr bool o = false, X = true;

INSTANTIATE_TEST_SUITE_P(Widths, SummaryTest,
    testing::Values(SummaryCase { "two_lines_plain_mean", { 30, 0, 32, 0, 0 }, 91, 2, 2, 0, { X, o, X, o, o },
                        float(62.0 / 2 / 91), "0.34" },
        SummaryCase { "three_lines_keep_extremes", { 0, 30, 0, 40, 50 }, 91, 3, 4, 1, { o, X, o, X, X },
            float(120.0 / 3 / 91), "0.44" },
        SummaryCase { "five_lines_trimmed", { 30, 35, 32, 90, 31 }, 91, 5, 3, 0, { o, X, X, o, X },
            float(98.0 / 3 / 91), "0.36" },
        // Line 0 is both the widest and the narrowest: only it is left out, but both are subtracted.
        SummaryCase {
            "four_equal", { 40, 40, 40, 40, 0 }, 91, 4, 0, 0, { o, X, X, X, o }, float(80.0 / 2 / 91), "0.44" },
        SummaryCase {
            "five_equal", { 30, 30, 30, 30, 30 }, 91, 5, 0, 0, { o, X, X, X, X }, float(90.0 / 3 / 91), "0.33" },
        SummaryCase {
            "ties_keep_first", { 50, 20, 50, 30, 20 }, 91, 5, 0, 1, { o, o, X, X, X }, float(100.0 / 3 / 91), "0.37" },
        // Both extremes start from line 0's 0, so the first line with a crack takes them over.
        SummaryCase {
            "first_line_empty", { 0, 20, 30, 10, 40 }, 91, 4, 4, 3, { o, X, X, o, o }, float(50.0 / 2 / 91), "0.27" },
        SummaryCase { "first_empty_rest_equal", { 0, 30, 30, 30, 30 }, 91, 4, 1, 1, { o, o, X, X, X },
            float(60.0 / 2 / 91), "0.33" },
        SummaryCase {
            "scale_185", { 37, 0, 0, 37, 0 }, 185, 2, 0, 0, { X, o, o, X, o }, float(74.0 / 2 / 185), "0.20" },
        SummaryCase { "one_line", { 0, 0, 25, 0, 0 }, 91, 1, 2, 2, {}, std::nullopt, "" },
        SummaryCase { "no_line", { 0, 0, 0, 0, 0 }, 91, 0, 0, 0, {}, std::nullopt, "" }),
    caseName<SummaryCase>);

struct StepCase {
    const char* name;
    float pxPerMm;
    float dspRate;
    float zoom;
    qint16 step;
};

class RulerStepTest : public testing::TestWithParam<StepCase> { };

TEST_P(RulerStepTest, isATenthOrAHundredthOfAMillimetre)
{
    const StepCase& c = GetParam();
    EXPECT_EQ(rulerStep(c.pxPerMm, c.dspRate, c.zoom), c.step);
}

INSTANTIATE_TEST_SUITE_P(Scales, RulerStepTest,
    testing::Values(StepCase { "full_9_1", 91, 1, 1, 9 }, StepCase { "five_4_55", 91, 1, 5, 5 },
        StepCase { "two_half_2_275", 91, 1, 2.5f, 2 }, StepCase { "full_1600_wide", 185, 0.4f, 1, 7 },
        StepCase { "full_1920_wide", 273, 480.0f / 1080, 1, 12 }, StepCase { "half_down_to_even", 85, 1, 1, 8 },
        StepCase { "half_up_to_even", 95, 1, 1, 10 }, StepCase { "magnified_half", 100, 1, 2.5f, 2 },
        StepCase { "rounds_to_zero", 91, 0.05f, 1, 0 }),
    caseName<StepCase>);

struct TicksCase {
    const char* name;
    ScanDirection direction;
    float pxPerMm;
    float dspRate;
    float zoom;
    double boxWidth;
    double boxHeight;
    int step;
    int count;
};

class RulerTicksTest : public testing::TestWithParam<TicksCase> { };

TEST_P(RulerTicksTest, runFromFiveToTheRoundedBoxEdge)
{
    const TicksCase& c = GetParam();
    const ViewGeometry view { c.dspRate, c.zoom, {} };
    const std::vector<QLineF> ticks = rulerTicks(c.direction, c.pxPerMm, view, c.boxWidth, c.boxHeight);
    ASSERT_EQ(static_cast<int>(ticks.size()), c.count);
    for (int j = 0; j < c.count; ++j) {
        const QPointF at = ticks[static_cast<std::size_t>(j)].p1();
        EXPECT_EQ(c.direction == H ? at.x() : at.y(), 5 + j * c.step) << "tick " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(Boxes, RulerTicksTest,
    testing::Values(TicksCase { "horizontal_to_644", H, 91, 1, 1, 644, 484, 9, 72 }, // last tick on 644 itself
        TicksCase { "vertical_to_484", V, 91, 1, 1, 644, 484, 9, 54 }, // last at 482
        TicksCase { "width_643_5_rounds_up", H, 91, 1, 1, 643.5, 484, 9, 72 },
        TicksCase { "width_644_5_rounds_down", H, 91, 1, 2.5f, 644.5, 484, 2, 320 }, // no tick at 645
        TicksCase { "wide_picture_857_33", H, 273, 480.0f / 1080, 1, 857.3333, 484, 12, 72 }, // last at 857
        TicksCase { "vertical_magnified", V, 91, 1, 5, 644, 484, 5, 96 },
        TicksCase { "step_zero_horizontal", H, 91, 0.05f, 1, 644, 484, 0, 0 },
        TicksCase { "step_zero_vertical", V, 91, 0.2f, 2.5f, 644, 484, 0, 0 }),
    caseName<TicksCase>);

TEST(RulerTicksTest, markEveryFifthAndTenthTick)
{
    const ViewGeometry view { 1, 1, {} };
    const auto across = rulerTicks(H, 91, view, 644, 484);
    const auto down = rulerTicks(V, 91, view, 644, 484);
    // Tick number, length on the horizontal ruler, length on the vertical one.
    const int lengths[][3] = { { 0, 10, 30 }, { 1, 10, 10 }, { 4, 10, 10 }, { 5, 20, 20 }, { 9, 10, 10 },
        { 10, 10, 30 }, { 15, 20, 20 }, { 20, 10, 30 }, { 25, 20, 20 }, { 53, 10, 10 } };
    for (const auto& [j, acrossLength, downLength] : lengths) {
        const double at = 5 + 9 * j;
        EXPECT_EQ(across[static_cast<std::size_t>(j)], QLineF(at, 4, at, 4 + acrossLength)) << "tick " << j;
        EXPECT_EQ(down[static_cast<std::size_t>(j)], QLineF(0, at, downLength, at)) << "tick " << j;
    }
}

TEST(MillimetreLabelTest, roundsTheSingleAsHeldToThreeDecimals)
{
    EXPECT_EQ(millimetreLabel(0.352f), "0.352mm");
    EXPECT_EQ(millimetreLabel(0.2f), "0.200mm");
    EXPECT_EQ(millimetreLabel(0.1235f), "0.123mm"); // held as 0.12349999...
    EXPECT_EQ(millimetreLabel(0.1225f), "0.123mm"); // held as 0.12250000...
    EXPECT_EQ(millimetreLabel(0.0025f), "0.002mm"); // held as 0.00249999...
    EXPECT_EQ(millimetreLabel(37 / (74 / 0.35f)), "0.175mm"); // held as 0.17499999...
}

struct MarkCase {
    const char* name;
    ScanDirection direction;
    qint16 fixed;
    CrackRun run;
    ViewGeometry view;
    QLineF line;
    QPointF label;
};

class RunMarkTest : public testing::TestWithParam<MarkCase> { };

TEST_P(RunMarkTest, coversTheRunInViewPixels)
{
    const MarkCase& c = GetParam();
    const RunMark mark = runMark(c.direction, c.fixed, c.run, c.view);
    expectPoint(mark.line.p1(), c.line.p1(), "start");
    expectPoint(mark.line.p2(), c.line.p2(), "end");
    expectPoint(mark.labelTopLeft, c.label, "label");
}

const AnalysisRange whole { { 0, 640 }, { 0, 480 } };
const AnalysisRange twoHalf { { 192, 256 }, { 144, 192 } };
const AnalysisRange five { { 256, 128 }, { 192, 96 } };

INSTANTIATE_TEST_SUITE_P(Views, RunMarkTest,
    testing::Values(MarkCase { "horizontal_full", H, 600, { 500, 37 }, { 0.4f, 1, whole }, { 200, 240, 214.8, 240 },
                        { 207.4, 245 } },
        MarkCase { "vertical_full", V, 320, { 100, 30 }, { 1, 1, whole }, { 320, 100, 320, 130 }, { 325, 115 } },
        MarkCase {
            "horizontal_2_5", H, 400, { 420, 20 }, { 0.5f, 2.5f, twoHalf }, { 45, 140, 70, 140 }, { 57.5, 145 } },
        MarkCase { "vertical_2_5", V, 420, { 320, 20 }, { 0.5f, 2.5f, twoHalf }, { 45, 40, 45, 65 }, { 50, 52.5 } },
        MarkCase { "vertical_5", V, 700, { 520, 10 }, { 0.4f, 5, five }, { 120, 80, 120, 100 }, { 125, 90 } }),
    caseName<MarkCase>);

} // namespace
