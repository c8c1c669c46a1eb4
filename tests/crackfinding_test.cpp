#include "analysis/acrosscrack.h"

#include "testing/crackpicture.h"
#include "testsupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <ostream>
#include <vector>

using namespace norvel;

namespace {

constexpr auto V = ScanDirection::Vertical;
constexpr auto H = ScanDirection::Horizontal;
const DetectionSettings typed {};
const DetectionSettings automatic { .autoThreshold = true };

enum class Expect { Width, None };

struct FindingCase {
    const char* name;
    CrackScene scene;
    DetectionSettings settings = typed;
    Expect expect = Expect::Width;
    bool jpeg = false; // saved at quality 75 and read back, as a camera's picture is
    int minKept = 3;
    std::optional<CrackScene> crossing = {}; // a thinner crack drawn over it, which is not the one to list
};

void PrintTo(const FindingCase& c, std::ostream* os)
{
    *os << c.name;
}

CrackScene crack(double widthMm, double angle, double background = 70, double core = 15)
{
    CrackScene scene;
    scene.widthMm = widthMm;
    scene.angleDegrees = angle;
    scene.blurSigma = 0.5;
    scene.background = background;
    scene.core = core;
    return scene;
}

CrackScene sized(CrackScene scene, QSize size, ScanDirection crossedBy)
{
    scene.size = size;
    scene.crossedBy = crossedBy;
    return scene;
}

CrackScene withVoids(CrackScene scene, std::vector<int> lines, double offsetPx, double radius, double level)
{
    addVoidsOnLines(scene, scene.crossedBy, wholePictureView(scene.size), std::move(lines), offsetPx, radius, level);
    return scene;
}

// kinkFixed pixels from the picture's centre along the lines' fixed coordinate, the crack turns by 45 degrees.
CrackScene kinked(double kinkFixed)
{
    CrackScene scene = crack(0.2, -20);
    scene.kinkAlongPx = kinkFixed / std::cos(20 * std::numbers::pi / 180);
    scene.kinkDegrees = 45;
    return scene;
}

CrackScene tapering(CrackScene scene)
{
    scene.widthGrowthPerPx = 0.0015;
    return scene;
}

CrackScene porous(CrackScene scene, int pores)
{
    scene.pores = pores;
    return scene;
}

CrackScene specked(CrackScene scene, int count)
{
    addSpecksOnLines(scene, scene.crossedBy, wholePictureView(scene.size), count);
    return scene;
}

CrackScene noisy(CrackScene scene, double noise)
{
    scene.noise = noise;
    return scene;
}

CrackScene faintPastTheMiddle(CrackScene scene)
{
    scene.faintFromPx = 60;
    scene.faintCore = 50;
    return scene;
}

QImage jpegRoundTrip(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG", 75);
    return QImage::fromData(bytes, "JPG");
}

const QSize wide(1920, 1080);

const FindingCase cases[] = {
    { "voids_lined_up_without_a_crack", withVoids(crack(0, 20), { 1, 2, 3 }, 0, 4, 15), typed, Expect::None },
    { "voids_beside_a_crack_on_three_lines", withVoids(crack(0.12, 15), { 0, 2, 4 }, 25, 4, 8) },
    { "void_darker_than_a_thin_crack", withVoids(crack(0.05, 10), { 2 }, -40, 5, 3) },
    { "voids_wider_than_the_crack_on_it", withVoids(crack(0.1, -15), { 1, 3 }, 0, 8, 10) },
    { "faint_crack_and_two_pixel_specks",
        withVoids(withVoids(crack(0.2, 20, 60, 42), { 1 }, 150, 0.5, 20), { 3 }, -150, 0.5, 20), automatic },
    { "low_contrast_55_35_automatic", crack(0.2, 20, 55, 35), automatic },
    { "low_contrast_55_35_typed", crack(0.2, 20, 55, 35) },
    { "low_contrast_60_40_automatic", crack(0.2, 20, 60, 40), automatic },
    { "low_contrast_60_40_typed", crack(0.2, 20, 60, 40) },
    { "low_contrast_noisy", noisy(crack(0.15, -35, 50, 35), 3) },
    { "wet_dark_automatic", crack(0.2, 20, 30, 10), automatic },
    { "wet_dark_typed", crack(0.2, 20, 30, 10) },
    // Every line crosses an arm well clear of the turn.
    { "kink_between_lines", kinked(-50), typed, Expect::Width, false, 5 },
    { "kink_beside_a_line", kinked(96) },
    { "kink_on_a_line", kinked(0) },
    { "cut_by_the_edge_16_9", sized(crack(0.2, 42), wide, V) },
    { "vertical_scans_16_9", sized(crack(0.15, 15), wide, V) },
    { "horizontal_scans_16_9", sized(crack(0.15, -25), wide, H) },
    { "porous_concrete", porous(crack(0.1, 25), 400) },
    { "tapering", tapering(crack(0.2, 20)) },
    { "faint_past_a_line", faintPastTheMiddle(crack(0.2, 10)) },
    { "blank_concrete", crack(0, 0), typed, Expect::None },
    { "blank_concrete_automatic", crack(0, 0), automatic, Expect::None },
    { "blank_concrete_with_specks_and_pores", porous(specked(crack(0, 30), 5), 400), typed, Expect::None },
    { "jpeg_quality_75", crack(0.15, 30), typed, Expect::Width, true },
    { "thinner_crack_crossing_it", crack(0.4, -50), typed, Expect::Width, false, 3, crack(0.2, -10) },
};

class CrackFindingTest : public testing::TestWithParam<FindingCase> { };

// The width within half a pixel or 5 % of the truth from three or more lines, each marked across the crack itself;
// or no width where no crack is drawn.
TEST_P(CrackFindingTest, measuresTheCrackAndNothingElse)
{
    const FindingCase& c = GetParam();
    QImage drawn = drawCrack(c.scene);
    if (c.crossing) {
        const QImage other = drawCrack(*c.crossing);
        for (int y = 0; y < drawn.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(drawn.scanLine(y));
            const auto* over = reinterpret_cast<const QRgb*>(other.constScanLine(y));
            for (int x = 0; x < drawn.width(); ++x)
                row[x] = qGray(over[x]) < qGray(row[x]) ? over[x] : row[x];
        }
    }
    const QImage picture = c.jpeg ? jpegRoundTrip(drawn) : drawn;
    ASSERT_EQ(picture.size(), c.scene.size);
    const AcrossAnalysis result = analyseAcross(picture, c.scene.crossedBy, wholePictureView(c.scene.size), c.settings);
    if (c.expect == Expect::None) {
        EXPECT_FALSE(result.combinedMm) << *result.combinedMm * result.analysis.pxPerMm << " px";
        return;
    }
    int kept = 0;
    double truths = 0;
    for (std::size_t k = 0; k < 5; ++k) {
        if (!result.lines[k].kept)
            continue;
        ++kept;
        const QLineF mark = acrossSegment(result.scanned, result.analysis.lines[k].fixed, result.lines[k]);
        const double truth = crackWidthPx(c.scene, mark.center());
        truths += truth;
        EXPECT_LE(std::abs(crackDistance(c.scene, mark.center())), truth / 2 + 1) << "line " << k;
        EXPECT_NEAR(result.lines[k].across(), truth, std::max(1.0, 0.1 * truth)) << "line " << k;
    }
    ASSERT_TRUE(result.combinedMm);
    ASSERT_GE(kept, c.minKept);
    const double truth = truths / kept; // where the crack tapers, the mean of the widths beside the kept lines
    EXPECT_NEAR(*result.combinedMm * result.analysis.pxPerMm, truth, std::max(0.5, 0.05 * truth));
    // The course followed lies on the crack, and the widest place found along it is the crack's widest there.
    double widest = 0;
    const auto offTheCrack = std::count_if(result.path.begin(), result.path.end(), [&](QPointF p) {
        widest = std::max(widest, crackWidthPx(c.scene, p));
        return std::abs(crackDistance(c.scene, p)) > crackWidthPx(c.scene, p) / 2 + 1;
    });
    EXPECT_EQ(offTheCrack, 0) << "of " << result.path.size();
    ASSERT_TRUE(result.widest);
    EXPECT_NEAR(result.widest->widthPx, widest, std::max(1.0, 0.05 * widest));
    EXPECT_LE(std::abs(crackDistance(c.scene, result.widest->across.center())), widest / 2 + 1);
    EXPECT_NEAR(result.widest->across.length(), result.widest->widthPx, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Scenes, CrackFindingTest, testing::ValuesIn(cases), caseName<FindingCase>);

} // namespace
