#include "analysis/acrosscrack.h"
#include "analysis/directionestimate.h"
#include "core/numbers.h"

#include "testing/crackpicture.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

using namespace norvel;

namespace {

constexpr auto V = ScanDirection::Vertical;
constexpr auto H = ScanDirection::Horizontal;
constexpr bool o = false, X = true;

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180;
}

struct EdgeCase {
    const char* name;
    std::vector<qint16> values;
    int first;
    int last;
    CrackRun run;
    double start; // where the crack's edges truly are
    double end;
    double tolerance;
};

class SubPixelEdgeTest : public testing::TestWithParam<EdgeCase> { };

TEST_P(SubPixelEdgeTest, placesTheEdgesWhereTheCrackBegins)
{
    const EdgeCase& c = GetParam();
    const RunEdges edges = subPixelEdges({ c.values, c.first, c.last }, c.run);
    EXPECT_NEAR(edges.start, c.start, c.tolerance);
    EXPECT_NEAR(edges.end, c.end, c.tolerance);
}

// Concrete reads 80 and the crack 0, so the threshold of 40 is midway and a pixel covered by a share s of the
// crack reads 80 (1 - s).
INSTANTIATE_TEST_SUITE_P(Profiles, SubPixelEdgeTest,
    testing::Values(EdgeCase { "sharp", { 80, 80, 0, 0, 0, 80, 80 }, 0, 6, { 2, 3 }, 1.5, 4.5, 1e-9 },
        EdgeCase { "half_covered", { 80, 40, 0, 0, 40, 80 }, 0, 5, { 2, 2 }, 1.0, 4.0, 1e-9 },
        // A quarter or three quarters covered: the straight line between the pixels errs by a twelfth.
        EdgeCase { "quarter_covered", { 80, 60, 0, 0, 20, 80 }, 0, 5, { 2, 3 }, 1.25, 4.25, 0.09 },
        // No pixel outside the run to cross from: the edge is the run's end.
        EdgeCase { "at_the_ends", { 0, 0, 80, 80, 0, 0 }, 0, 5, { 4, 2 }, 3.5, 5.5, 1e-9 },
        // Outside the profile's range nothing is read, even where the values hold something.
        EdgeCase { "range_ends", { 0, 0, 0, 80, 0, 0, 0 }, 1, 5, { 4, 2 }, 3.5, 5.5, 1e-9 },
        // White concrete and a grey crack: the threshold of 40 found the run, but the edges lie where the brightness
        // is halfway, at 60, half a pixel further out on either side.
        EdgeCase { "threshold_below_the_middle", { 100, 100, 60, 20, 20, 20, 60, 100 }, 0, 7, { 3, 3 }, 2, 6, 1e-9 },
        // A blurred edge spreads past the run: the halfway point lies among the pixels outside it.
        EdgeCase {
            "blurred_past_the_run", { 100, 90, 70, 45, 20, 20, 45, 70, 90, 100 }, 0, 9, { 4, 2 }, 2.4, 6.6, 1e-9 },
        // Each side takes its own concrete: darker on the right, its halfway point lies further in.
        EdgeCase { "darker_concrete_on_one_side", { 80, 80, 0, 0, 0, 40, 40 }, 0, 6, { 2, 3 }, 1.5, 4.5, 1e-9 },
        // Darker beside the run than in it on both sides: no concrete within reach, so the run's ends stand.
        EdgeCase { "darker_beside_than_the_run", { 10, 10, 30, 30, 10, 10 }, 0, 5, { 2, 2 }, 1.5, 3.5, 1e-9 }),
    caseName<EdgeCase>);

struct CosineCase {
    const char* name;
    double along;
    double angleDegrees;
    double spreadDegrees;
    double across;
};

class CosineTest : public testing::TestWithParam<CosineCase> { };

TEST_P(CosineTest, turnsTheRunAcrossTheCrack)
{
    const CosineCase& c = GetParam();
    AcrossLine line { true, false, false, { 100, 100 + c.along }, c.angleDegrees, c.spreadDegrees };
    EXPECT_NEAR(line.across(), c.across, 1e-9);
}

// A line at 300 from the centre of a ring 100 wide about radius 500: it meets the ring's circles at asin(300 / r).
const double inner = std::asin(300.0 / 450);
const double outer = std::asin(300.0 / 550);
const double ringAlong = std::sqrt(450.0 * 450 - 300 * 300) - std::sqrt(550.0 * 550 - 300 * 300);

INSTANTIATE_TEST_SUITE_P(Angles, CosineTest,
    testing::Values(CosineCase { "square", 20, 0, 0, 20 }, CosineCase { "sixty", 20, 60, 0, 10 },
        CosineCase { "minus_forty_five", 20, -45, 0, 20 * std::cos(radians(45)) },
        CosineCase { "ring", std::abs(ringAlong), (inner + outer) * 90 / std::numbers::pi,
            (outer - inner) * 180 / std::numbers::pi, 100 }),
    caseName<CosineCase>);

struct DirectionCase {
    const char* name;
    ScanDirection crossedBy;
    double angle;
    ScanDirection inForce;
    bool otherDirection;
};

class DirectionTest : public testing::TestWithParam<DirectionCase> { };

TEST_P(DirectionTest, measuresInTheOtherDirectionWhereTheLinesRunAlongTheCrack)
{
    const DirectionCase& c = GetParam();
    CrackScene scene;
    scene.crossedBy = c.crossedBy;
    scene.angleDegrees = c.angle;
    scene.blurSigma = 0.5;
    const AcrossAnalysis result = analyseAcross(drawCrack(scene), c.inForce, wholePictureView(scene.size), {});
    EXPECT_EQ(result.otherDirection, c.otherDirection);
    EXPECT_EQ(result.scanned, c.otherDirection ? (c.inForce == V ? H : V) : c.inForce);
    EXPECT_GE(std::count(result.used.begin(), result.used.end(), true), 3);
    ASSERT_TRUE(result.combinedMm);
    EXPECT_NEAR(*result.combinedMm, scene.widthMm, 0.5 / 91);
}

INSTANTIATE_TEST_SUITE_P(Cracks, DirectionTest,
    testing::Values(DirectionCase { "along_the_columns", H, 0, V, X }, DirectionCase { "along_the_rows", V, 0, H, X },
        DirectionCase { "steep", V, 60, V, X }, DirectionCase { "steep_along", H, -30, V, X },
        DirectionCase { "small_angle", V, 10, V, o }, DirectionCase { "forty_five", H, -45, H, o }),
    caseName<DirectionCase>);

struct KeptCase {
    const char* name;
    double widthMm;
    double angle;
    int specks;
    std::array<bool, 5> kept; // where no speck is
    std::array<bool, 5> cut;
    const char* limit = "1"; // mm, held to the width across to the pixel: 0.3 mm is 27.3 pixels
    bool limitInForce = true;
    bool stubAtEdge = false; // a speck cut by the picture's top edge on line 1
};

class KeptLinesTest : public testing::TestWithParam<KeptCase> { };

TEST_P(KeptLinesTest, leavesOutRunsThatAreNotTheWholeCrack)
{
    const KeptCase& c = GetParam();
    CrackScene scene;
    scene.widthMm = c.widthMm;
    scene.angleDegrees = c.angle;
    scene.seed = 3;
    const ViewGeometry view = wholePictureView(scene.size);
    addSpecksOnLines(scene, V, view, c.specks);
    if (c.stubAtEdge)
        scene.specks.push_back({ QPointF(scanLinePosition(1, V, view), 0) });
    const DetectionSettings settings { .limitInForce = c.limitInForce, .limitText = QString::fromLatin1(c.limit) };
    const AcrossAnalysis result = analyseAcross(drawCrack(scene), V, view, settings);
    EXPECT_FALSE(result.otherDirection);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(result.lines[k].kept, c.kept[k]) << k;
        EXPECT_EQ(result.lines[k].cut, c.cut[k]) << k;
    }
    EXPECT_EQ(result.combinedMm.has_value(), (c.kept != std::array<bool, 5> {}));
    if (result.combinedMm) {
        EXPECT_NEAR(*result.combinedMm, scene.widthMm, 0.5 / 91);
    }
}

// A speck darker than the crack on a line is no crossing: the line measures the crack beside it.
INSTANTIATE_TEST_SUITE_P(Pictures, KeptLinesTest,
    testing::Values(KeptCase { "cut_by_the_picture_edge", 0.3, 50, 0, { o, X, X, X, o }, { X, o, o, o, X } },
        KeptCase { "speck", 0.2, 20, 1, { X, X, X, X, X }, {} },
        KeptCase { "two_specks", 0.1, -30, 2, { X, X, X, X, X }, {} },
        // 27.3 pixels across against a limit of 26.8 and 25.8 pixels, and the pixel's grace.
        KeptCase { "just_under_the_limit", 0.3, 20, 0, { X, X, X, X, X }, {}, "0.2945" },
        KeptCase { "just_over_the_limit", 0.3, 20, 0, { o, o, o, o, o }, {}, "0.2835" },
        KeptCase { "over_a_limit_not_in_force", 0.3, 20, 0, { X, X, X, X, X }, {}, "0.2835", false },
        KeptCase { "stub_at_the_picture_edge", 0.2, 20, 0, { X, X, X, X, X }, {}, "1", true, true }),
    caseName<KeptCase>);

// A width that shows as 0.00 at two decimals is no width, as when no crack is found: 27.3 pixels at a fine scale.
TEST(AcrossWidth, listsNoWidthThatShowsAsNothing)
{
    CrackScene scene;
    scene.widthMm = 0.3;
    for (const auto& [pxPerMm, shown] : { std::pair<float, QString> { 6000, "" }, { 4000, "0.01" } }) {
        const AcrossAnalysis result = analyseAcross(drawCrack(scene), V, wholePictureView(scene.size), {}, pxPerMm);
        EXPECT_EQ(result.combinedMm ? fixedText(*result.combinedMm, 2) : QString(), shown);
        EXPECT_EQ((result.used != std::array<bool, 5> {}), result.combinedMm.has_value());
    }
}

struct AccuracyCase {
    std::string name;
    CrackScene scene;
};

void PrintTo(const AccuracyCase& c, std::ostream* os)
{
    *os << c.name;
}

class AccuracyTest : public testing::TestWithParam<AccuracyCase> { };

// The combined width within half a pixel of the truth (a pixel where the edges are blurred by one or more), from
// at least three lines, and the marks across the crack from edge to edge.
TEST_P(AccuracyTest, measuresTheWidthAcrossTheCrack)
{
    const CrackScene& scene = GetParam().scene;
    const AcrossAnalysis result
        = analyseAcross(drawCrack(scene), scene.crossedBy, wholePictureView(scene.size), DetectionSettings {});
    const double truth = crackWidthPx(scene);
    const double tolerance = scene.blurSigma >= 1 ? 1 : 0.5;
    int kept = 0;
    for (std::size_t k = 0; k < 5; ++k) {
        if (!result.lines[k].kept)
            continue;
        ++kept;
        const QLineF mark = acrossSegment(result.scanned, result.analysis.lines[k].fixed, result.lines[k]);
        const double from = crackDistance(scene, mark.p1());
        const double to = crackDistance(scene, mark.p2());
        EXPECT_NEAR(std::abs(to - from), truth, 2 * tolerance) << k;
        EXPECT_NEAR(from + to, 0, 2 * tolerance) << k;
    }
    EXPECT_GE(kept, 3);
    ASSERT_TRUE(result.combinedMm);
    EXPECT_NEAR(*result.combinedMm * result.analysis.pxPerMm, truth, tolerance);
}

// "640_w5_a40m_V_r3m_s15": width in hundredths of a millimetre, m for minus, bend in picture widths, blur in tenths.
std::string caseText(const CrackScene& s)
{
    const auto signedText
        = [](double value) { return std::to_string(std::lround(std::abs(value))) + (value < 0 ? "m" : ""); };
    std::string text = std::to_string(s.size.width()) + "_w" + std::to_string(std::lround(s.widthMm * 100)) + "_a"
        + signedText(s.angleDegrees) + (s.crossedBy == V ? "_V" : "_H") + "_r" + signedText(s.radiusPx / s.size.width())
        + "_s" + std::to_string(std::lround(s.blurSigma * 10));
    return text + (s.specks.empty() ? "" : "_speck");
}

// Every width, angle, direction and blur at 640 x 480, the bends, signs and specks falling across them; a few at
// 2592 x 1944.
std::vector<AccuracyCase> accuracyCases()
{
    std::vector<CrackScene> scenes;
    unsigned seed = 1;
    for (const double widthMm : { 0.05, 0.1, 0.3, 0.6, 1.0 })
        for (const double angle : { 0, 10, 25, 40, 50, 60 })
            for (const ScanDirection direction : { V, H })
                for (const double sigma : { 0.0, 0.5, 1.0, 1.5 }) {
                    CrackScene scene;
                    scene.widthMm = widthMm;
                    scene.angleDegrees = seed / 3 % 2 == 0 ? angle : -angle;
                    scene.crossedBy = direction;
                    scene.radiusPx = std::array { 0, 2, -3 }[seed % 3] * 640.0;
                    scene.blurSigma = sigma;
                    scene.seed = seed;
                    if (seed++ % 7 == 3)
                        addSpecksOnLines(scene, direction, wholePictureView(scene.size), 1);
                    scenes.push_back(scene);
                }
    const struct {
        double widthMm, angle;
        ScanDirection direction;
        double bend, sigma;
    } large[] = { { 0.05, 0, V, 0, 1.5 }, { 0.2, -40, H, 2, 1 }, { 1.0, 60, V, -3, 0.5 }, { 0.5, 25, V, 2, 0 },
        { 1.0, 40, H, 2, 0.5 } };
    for (const auto& l : large) {
        CrackScene scene;
        scene.size = QSize(2592, 1944);
        scene.widthMm = l.widthMm;
        scene.angleDegrees = l.angle;
        scene.crossedBy = l.direction;
        scene.radiusPx = l.bend * 2592;
        scene.blurSigma = l.sigma;
        scene.seed = seed++;
        scenes.push_back(scene);
    }
    std::vector<AccuracyCase> cases;
    for (const CrackScene& scene : scenes)
        cases.push_back({ caseText(scene), scene });
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Generated, AccuracyTest, testing::ValuesIn(accuracyCases()), caseName<AccuracyCase>);

// With 自動 on and a bright speck on every line, the width within half a pixel or 5% of the truth, or none: low
// contrast, wet dark concrete and blank concrete, with noise of up to 3.5 levels on every pixel on blotches of 3.
TEST(AcrossWidth, takesTheAutomaticThresholdFromTheConcretesLevel)
{
    for (const auto& [background, core] : { std::pair { 60.0, 40.0 }, { 30.0, 10.0 }, { 60.0, 60.0 } }) {
        CrackScene scene { .angleDegrees = 20, .background = background, .core = core, .specks = {}, .seed = 1 };
        addSpecksOnLines(scene, V, wholePictureView(scene.size), 5);
        for (Speck& speck : scene.specks)
            speck.level = 100;
        const AcrossAnalysis result
            = analyseAcross(drawCrack(scene), V, wholePictureView(scene.size), { .autoThreshold = true });
        const double truth = core == background ? 0 : crackWidthPx(scene);
        EXPECT_NEAR(result.combinedMm.value_or(0) * result.analysis.pxPerMm, truth, std::max(0.5, 0.05 * truth));
    }
}

// The kept lines' mean angle between the crack's normal and the lines; lines left out do not count.
struct AcrossEstimateCase {
    const char* name;
    ScanDirection scanned;
    std::array<double, 5> angles;
    std::array<bool, 5> kept;
    CrackDirection expected;
};

class AcrossEstimateTest : public testing::TestWithParam<AcrossEstimateCase> { };

TEST_P(AcrossEstimateTest, fromTheKeptLinesMeanAngle)
{
    AcrossAnalysis across;
    across.scanned = GetParam().scanned;
    for (std::size_t k = 0; k < 5; ++k)
        across.lines[k] = { true, false, GetParam().kept[k], {}, GetParam().angles[k] };
    EXPECT_EQ(estimatedDirection(across), GetParam().expected);
}

// Rows give the angle from the upright; lines left out would make the second oblique.
INSTANTIATE_TEST_SUITE_P(Lines, AcrossEstimateTest,
    testing::Values(AcrossEstimateCase { "columns", V, { 10, 20, 15 }, { X, X, X }, CrackDirection::Transverse },
        AcrossEstimateCase { "rows", H, { 65, 70, 75, 0, 0 }, { X, X, X, o, o }, CrackDirection::Transverse },
        AcrossEstimateCase { "none_kept", H, {}, {}, CrackDirection::Unknown }),
    caseName<AcrossEstimateCase>);

} // namespace
