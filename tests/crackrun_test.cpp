#include "analysis/crackrun.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace norvel;

namespace {

// A profile written as brightness values, "n*v" for n pixels of v: "2*80 3*30 80".
Profile profileOf(const char* text)
{
    Profile profile;
    for (const QString& piece : QString::fromLatin1(text).split(u' ')) {
        const QStringList parts = piece.split(u'*');
        const auto count = static_cast<std::size_t>(parts.size() == 2 ? parts.front().toInt() : 1);
        profile.values.insert(profile.values.end(), count, static_cast<qint16>(parts.back().toInt()));
    }
    profile.last = static_cast<int>(profile.values.size()) - 1;
    return profile;
}

// Where no crack is found the start is meaningless; only the width is checked then.
void expectRun(CrackRun actual, CrackRun expected)
{
    EXPECT_EQ(actual.width, expected.width);
    if (expected.width != 0) {
        EXPECT_EQ(actual.start, expected.start);
    }
}

TEST(BrightnessTest, dividesBy256AndRoundsHalvesToEven)
{
    EXPECT_EQ(brightness(32, 32, 32), 12); // 12.5
    EXPECT_EQ(brightness(96, 96, 96), 38); // 37.5
    EXPECT_EQ(brightness(255, 255, 254), 99); // 99.48
    EXPECT_EQ(brightness(255, 255, 255), 100); // 99.61
    EXPECT_EQ(brightness(128, 128, 128), 50);
    EXPECT_EQ(brightness(200, 30, 10), 31); // 31.25
}

TEST(BrightnessTest, readsEveryByteOfAColourAndMinusOneAsWhite)
{
    EXPECT_EQ(colourBrightness(-1), 100);
    EXPECT_EQ(colourBrightness(0x0000ff), 33); // 33.2
    EXPECT_EQ(colourBrightness(0x00ff00), 33);
    EXPECT_EQ(colourBrightness(0xff0000), 33);
    EXPECT_EQ(colourBrightness(0x0a1ec8), 31);
    EXPECT_EQ(colourBrightness(0), 0);
}

const char* const example = "2*80 3*30 80 20 80";
constexpr RunRules byWidth { 40, false, 1, 91, false };
constexpr RunRules byDarkness { 40, false, 1, 91, true };
// 185 pixels per millimetre: a run of 185 pixels is exactly the 1 mm limit.
constexpr RunRules widthLimited { 40, true, 1, 185, false };
constexpr RunRules darknessLimited { 40, true, 1, 185, true };
constexpr RunRules zeroLimit { 40, true, 0, 91, false };

struct RunCase {
    const char* name;
    const char* profile;
    RunRules rules;
    CrackRun expected;
    bool pictureEdges = false; // the profile's ends are the picture's edges
};

class ChooseRunTest : public ::testing::TestWithParam<RunCase> { };

TEST_P(ChooseRunTest, picksTheRunThatStandsForTheCrack)
{
    const RunCase& c = GetParam();
    Profile profile = profileOf(c.profile);
    profile.startsAtEdge = profile.endsAtEdge = c.pictureEdges;
    expectRun(chooseRun(profile, c.rules), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ChooseRunTest,
    ::testing::Values(RunCase { "example_width", example, byWidth, { 2, 3 } },
        RunCase { "example_darkness", example, byDarkness, { 6, 1 } },
        RunCase { "equal_width_keeps_first", "2*30 80 2*20 80", byWidth, { 0, 2 } },
        // Equal means, different sums: the mean decides.
        RunCase { "equal_mean_keeps_first", "2*30 80 30 80", byDarkness, { 0, 2 } },
        RunCase { "darker_mean_replaces", "30 80 2*20 80", byDarkness, { 2, 2 } },
        RunCase { "threshold_is_strict", "40 39 40", byWidth, { 1, 1 } },
        RunCase { "fractional_threshold", "50 2*49 50", { 49.5, false, 1, 91, false }, { 1, 2 } },
        RunCase { "best_at_limit_stays", "185*0 100", widthLimited, { 0, 185 } },
        RunCase { "best_over_limit_dropped", "186*0 100 5*30 100", widthLimited, { 187, 5 } },
        RunCase { "candidate_at_limit_not_compared", "5*0 100 185*0 100", widthLimited, { 0, 5 } },
        RunCase { "candidate_under_limit_compared", "5*0 100 184*0 100", widthLimited, { 6, 184 } },
        // The dropped run was darker; the next one takes the slot without being compared with it.
        RunCase { "dropped_best_frees_slot", "186*0 100 2*30 100", darknessLimited, { 187, 2 } },
        RunCase { "limit_off_keeps_wide_best", "186*0 100 5*30 100", { 40, false, 1, 185, false }, { 0, 186 } },
        RunCase { "limit_off_compares_wide_candidate", "5*0 100 300*0 100", { 40, false, 1, 185, false }, { 6, 300 } },
        RunCase { "open_best_skips_limit", "100 186*0", widthLimited, { 1, 186 } },
        RunCase { "open_candidate_lost", "30 80 3*30", byWidth, { 0, 1 } },
        RunCase { "zero_limit_drops_closed_runs", "2*0 100 0 100", zeroLimit, { 0, 0 } },
        RunCase { "zero_limit_open_run_counts", "0 100 2*0", zeroLimit, { 2, 2 } },
        RunCase { "run_from_the_edge_left_out", "3*0 80 2*20 80", byDarkness, { 4, 2 }, true },
        RunCase { "run_to_the_edge_left_out", "80 3*0", byWidth, { 0, 0 }, true },
        RunCase { "run_from_edge_to_edge_left_out", "4*0", byWidth, { 0, 0 }, true }),
    caseName<RunCase>);

TEST(ChooseRunRangeTest, readsOnlyFirstToLast)
{
    // Dark 0-3, light 4-5, dark 6-8, light 9, dark 10; the range 4..7 cuts the second run open.
    Profile profile = profileOf("4*0 2*100 3*0 100 0");
    profile.first = 4;
    profile.last = 7;
    expectRun(chooseRun(profile, byWidth), { 6, 2 });
    profile.first = 5;
    profile.last = 4;
    expectRun(chooseRun(profile, byWidth), { 0, 0 });
}

TEST(AutoThresholdTest, isTheMidpointAsShortestText)
{
    EXPECT_EQ(autoThresholdText({ 12, 87 }), QStringLiteral("49.5"));
    EXPECT_EQ(autoThresholdText({ 10, 80 }), QStringLiteral("45"));
    EXPECT_EQ(autoThresholdText({ 0, 1 }), QStringLiteral("0.5"));
    EXPECT_EQ(autoThresholdText({ 100, 100 }), QStringLiteral("100"));
}

struct ScanCase {
    const char* name;
    const char* profile;
    DetectionSettings settings;
    QString text;
    CrackRun expected;
};

class ScanProfileTest : public ::testing::TestWithParam<ScanCase> { };

TEST_P(ScanProfileTest, readsThresholdAndLimitAsTheBoxesHoldThem)
{
    const ScanCase& c = GetParam();
    const LineScan scan = scanProfile(profileOf(c.profile), c.settings, 91);
    EXPECT_EQ(scan.thresholdText, c.text);
    expectRun(scan.run, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Settings, ScanProfileTest,
    ::testing::Values(ScanCase { "auto_half", "87 49 12 50 87", { .autoThreshold = true }, "49.5", { 1, 2 } },
        ScanCase { "auto_uniform", "5*60", { .autoThreshold = true }, "60", { 0, 0 } },
        ScanCase { "threshold_not_a_number", "3*0 100", { .thresholdText = "abc" }, "abc", { 0, 0 } },
        ScanCase { "limit_not_a_number", "0 100 2*0", { .limitText = "mm" }, "40", { 2, 2 } },
        ScanCase { "method_2_width", example, { .method = 2 }, "40", { 2, 3 } },
        ScanCase { "method_3_darkness", example, { .method = 3 }, "40", { 6, 1 } }),
    caseName<ScanCase>);

} // namespace
