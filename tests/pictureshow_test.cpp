#include "acquisition/pictureshow.h"
#include "core/dayfolder.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace norvel;

namespace {

struct FitCase {
    const char* name;
    int width;
    int height;
    bool smallPicture;
    float dspRate;
    const char* caption;
    const char* doubleCaption;
};

class FitPictureTest : public ::testing::TestWithParam<FitCase> { };

// The whole picture fits the box of its display size, 640 x 480 or 560 x 420, as large as it can be.
TEST_P(FitPictureTest, fitsTheBoxAndWritesTheSize)
{
    const FitCase& c = GetParam();
    const std::optional<PictureScale> scale = fitPicture(c.width, c.height, c.smallPicture);
    ASSERT_TRUE(scale);
    EXPECT_EQ(scale->width, c.width);
    EXPECT_EQ(scale->height, c.height);
    EXPECT_EQ(scale->dspRate, c.dspRate);
    EXPECT_EQ(sizeCaption(*scale), QString::fromUtf8(c.caption));
    EXPECT_EQ(sizeCaptionDouble(*scale), QString::fromUtf8(c.doubleCaption));
    const double boxWidth = c.smallPicture ? 560 : 640;
    const double boxHeight = c.smallPicture ? 420 : 480;
    // Inside the box, and one side fills it, to within the single's rounding.
    const double widthShare = double(scale->shownWidth()) / boxWidth;
    const double heightShare = double(scale->shownHeight()) / boxHeight;
    EXPECT_LE(std::max(widthShare, heightShare), 1 + 1e-6);
    EXPECT_NEAR(std::max(widthShare, heightShare), 1.0, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Pictures, FitPictureTest,
    ::testing::Values(
        FitCase { "sxga_vga", 1280, 960, false, 0.5f, "サイズ：1280×960 ⇒ 640×480", "サイズ：1280×960 ⇒ 640×480" },
        FitCase { "sxga_small", 1280, 960, true, 0.4375f, "サイズ：1280×960 ⇒ 560×420", "サイズ：1280×960 ⇒ 560×420" },
        FitCase { "vga_small", 640, 480, true, 0.875f, "サイズ：640×480 ⇒ 560×420", "サイズ：640×480 ⇒ 560×420" },
        FitCase { "camera_vga", 2592, 1944, false, static_cast<float>(480.0 / 1944), "サイズ：2592×1944 ⇒ 640×480",
            "サイズ：2592×1944 ⇒ 640.000004768372×480.000003576279" },
        FitCase { "uxga_vga", 1600, 1200, false, 0.4f, "サイズ：1600×1200 ⇒ 640×480",
            "サイズ：1600×1200 ⇒ 640.000009536743×480.000007152557" },
        FitCase { "uxga_small", 1600, 1200, true, 0.35f, "サイズ：1600×1200 ⇒ 560×420",
            "サイズ：1600×1200 ⇒ 559.999990463257×419.999992847443" },
        FitCase { "hd_vga", 1920, 1080, false, static_cast<float>(640.0 / 1920), "サイズ：1920×1080 ⇒ 640×360",
            "サイズ：1920×1080 ⇒ 640×360" },
        FitCase { "hd_small", 1920, 1080, true, static_cast<float>(560.0 / 1920), "サイズ：1920×1080 ⇒ 560×315",
            "サイズ：1920×1080 ⇒ 560×315" },
        FitCase { "three_two_vga", 480, 320, false, static_cast<float>(640.0 / 480), "サイズ：480×320 ⇒ 640×426.7",
            "サイズ：480×320 ⇒ 640×426.7" },
        FitCase { "three_two_small", 6000, 4000, true, static_cast<float>(560.0 / 6000),
            "サイズ：6000×4000 ⇒ 560×373.3", "サイズ：6000×4000 ⇒ 560×373.3" },
        FitCase {
            "portrait_vga", 3000, 4000, false, 0.12f, "サイズ：3000×4000 ⇒ 360×480", "サイズ：3000×4000 ⇒ 360×480" },
        FitCase { "portrait_hd_small", 1080, 1920, true, 0.21875f, "サイズ：1080×1920 ⇒ 236.3×420",
            "サイズ：1080×1920 ⇒ 236.3×420" },
        FitCase { "sliver_small", 300, 4, true, static_cast<float>(560.0 / 300), "サイズ：300×4 ⇒ 560×7.5",
            "サイズ：300×4 ⇒ 560×7.5" },
        FitCase { "widest", 32767, 1, false, static_cast<float>(640.0 / 32767), "サイズ：32767×1 ⇒ 640×0",
            "サイズ：32767×1 ⇒ 640×0" }),
    caseName<FitCase>);

// 4:3 pictures keep the rows' quotient as it always was, to the last bit, at every size and in both boxes.
TEST(FitPictureTest, fourByThreeKeepsTheRowsQuotient)
{
    for (int height = 3; height <= 24575; height += 3) {
        for (const bool small : { false, true }) {
            const std::optional<PictureScale> scale = fitPicture(height / 3 * 4, height, small);
            ASSERT_TRUE(scale) << height;
            ASSERT_EQ(scale->dspRate, static_cast<float>((small ? 420.0 : 480.0) / height)) << height;
        }
    }
}

TEST(FitPictureTest, refusesWhatCannotBeShown)
{
    EXPECT_FALSE(fitPicture(32768, 1000, false)); // wider than 16-bit positions
    EXPECT_FALSE(fitPicture(1000, 40000, false));
    EXPECT_FALSE(fitPicture(0, 480, false));
    EXPECT_FALSE(fitPicture(640, 0, false));
    EXPECT_TRUE(fitPicture(32767, 32767, false));
}

TEST(SavedPictureFileNameTest, isTwoDigitDateAnd24HourTime)
{
    EXPECT_EQ(savedPictureFileName(QDateTime(QDate(2022, 10, 19), QTime(14, 30, 5))), "221019_143005.jpg");
    EXPECT_EQ(savedPictureFileName(QDateTime(QDate(2009, 1, 2), QTime(3, 4, 5))), "090102_030405.jpg");
    EXPECT_EQ(savedPictureFileName(QDateTime(QDate(2030, 12, 31), QTime(23, 59, 59))), "301231_235959.jpg");
}

TEST(FiledPictureFileNameTest, isPoleUnderscoreRow)
{
    const struct {
        const char* pole;
        int row;
        const char* name;
    } cases[] = { { "12", 3, "12_3.jpg" }, { "", 1, "_1.jpg" }, { "A-3", 10, "A-3_10.jpg" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(filedPictureFileName(c.pole, c.row), QString::fromUtf8(c.name));
    }
}

} // namespace
