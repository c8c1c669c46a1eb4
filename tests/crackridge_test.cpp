#include "analysis/crackridge.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace norvel;

namespace {

std::vector<qint16> concrete(int n, qint16 level = 70)
{
    return std::vector<qint16>(static_cast<std::size_t>(n), level);
}

std::vector<qint16> joined(std::initializer_list<std::vector<qint16>> parts)
{
    std::vector<qint16> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct Found {
    int start;
    int width;
    bool cut;
};

struct CrossingCase {
    const char* name;
    std::vector<qint16> values;
    std::optional<double> typed;
    std::vector<Found> expected;
    double maxAlongPx = std::numeric_limits<double>::infinity();
};

class CrossingsTest : public testing::TestWithParam<CrossingCase> { };

TEST_P(CrossingsTest, findsTheValleysACrackCouldMake)
{
    const CrossingCase& c = GetParam();
    Profile profile;
    profile.values = c.values;
    profile.last = static_cast<int>(c.values.size()) - 1;
    const std::vector<Crossing> crossings = findCrossings(profile, { c.typed, c.maxAlongPx });
    ASSERT_EQ(crossings.size(), c.expected.size());
    for (std::size_t i = 0; i < crossings.size(); ++i) {
        EXPECT_EQ(crossings[i].run.start, c.expected[i].start) << i;
        EXPECT_EQ(crossings[i].run.width, c.expected[i].width) << i;
        EXPECT_EQ(crossings[i].cut, c.expected[i].cut) << i;
    }
}

// A typed 40 decides the pixels where it lies well inside the valley; on wet concrete (30) and on a faint crack
// (core 42) it cannot, and each side's threshold lies midway between its concrete and the core.
INSTANTIATE_TEST_SUITE_P(Profiles, CrossingsTest,
    testing::Values(CrossingCase { "typed_inside_the_valley",
                        joined({ concrete(10), { 60, 30, 15, 15, 30, 60 }, concrete(10) }), 40, { { 11, 4, false } } },
        CrossingCase { "wet_concrete_below_the_typed",
            joined({ concrete(10, 30), { 25, 12, 10, 12, 25 }, concrete(10, 30) }), 40, { { 11, 3, false } } },
        CrossingCase { "faint_crack_above_the_typed",
            joined({ concrete(10, 60), { 50, 43, 42, 43, 50 }, concrete(10, 60) }), 40, { { 10, 5, false } } },
        CrossingCase { "each_side_its_own_concrete",
            joined({ concrete(10, 80), { 20, 20, 20, 36, 48 }, concrete(10, 45) }), std::nullopt,
            { { 10, 3, false } } },
        CrossingCase { "too_shallow", joined({ concrete(10), { 66, 64, 66 }, concrete(10) }), std::nullopt, {} },
        CrossingCase { "at_the_line_start", joined({ { 15, 15, 30, 60 }, concrete(12) }), 40, { { 0, 3, true } } },
        CrossingCase { "at_the_line_end", joined({ concrete(12), { 60, 15, 15 } }), 40, { { 13, 2, true } } },
        CrossingCase { "wider_than_the_limit", joined({ concrete(10), { 15, 15, 15, 15 }, concrete(10) }), 40, {}, 3 },
        CrossingCase { "two_valleys_in_order",
            joined({ concrete(10), { 20, 20 }, concrete(10), { 10, 10, 10 }, concrete(10) }), 40,
            { { 10, 2, false }, { 22, 3, false } } }),
    caseName<CrossingCase>);

// The slope of a parabola's points at one of them, however unevenly they lie about it; a straight fit would take the
// slope at their centre.
TEST(RidgeFit, takesTheSlopeOfACurveWhereItIsAsked)
{
    std::vector<QPointF> points;
    for (int x = -4; x <= 20; x += 2)
        points.emplace_back(x, 0.01 * x * x + 0.5 * x);
    EXPECT_NEAR(fitCurveNear(points, 0, 30).slope, 0.5, 1e-9);
    EXPECT_GT(fitNear(points, 0, 30).slope, 0.55);
}

} // namespace
