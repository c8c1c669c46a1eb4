#include "acquisition/pictureshow.h"
#include "testsupport.h"

#include <gtest/gtest.h>

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

TEST_P(FitPictureTest, scalesToTheRowsAndWritesTheSize)
{
    const FitCase& c = GetParam();
    const std::optional<PictureScale> scale = fitPicture(c.width, c.height, c.smallPicture);
    ASSERT_TRUE(scale);
    EXPECT_EQ(scale->width, c.width);
    EXPECT_EQ(scale->height, c.height);
    EXPECT_EQ(scale->dspRate, c.dspRate);
    EXPECT_EQ(sizeCaption(*scale), QString::fromUtf8(c.caption));
    EXPECT_EQ(sizeCaptionDouble(*scale), QString::fromUtf8(c.doubleCaption));
}

INSTANTIATE_TEST_SUITE_P(Pictures, FitPictureTest,
    ::testing::Values(
        FitCase { "sxga_vga", 1280, 960, false, 0.5f, "サイズ：1280×960 ⇒ 640×480", "サイズ：1280×960 ⇒ 640×480" },
        FitCase { "sxga_small", 1280, 960, true, 0.4375f, "サイズ：1280×960 ⇒ 560×420", "サイズ：1280×960 ⇒ 560×420" },
        FitCase { "hd_vga", 1920, 1080, false, static_cast<float>(480.0 / 1080), "サイズ：1920×1080 ⇒ 853.3333×480",
            "サイズ：1920×1080 ⇒ 853.333339691162×480.000003576279" },
        FitCase { "vga_small", 640, 480, true, 0.875f, "サイズ：640×480 ⇒ 560×420", "サイズ：640×480 ⇒ 560×420" },
        FitCase { "camera_vga", 2592, 1944, false, static_cast<float>(480.0 / 1944), "サイズ：2592×1944 ⇒ 640×480",
            "サイズ：2592×1944 ⇒ 640.000004768372×480.000003576279" },
        FitCase { "uxga_vga", 1600, 1200, false, 0.4f, "サイズ：1600×1200 ⇒ 640×480",
            "サイズ：1600×1200 ⇒ 640.000009536743×480.000007152557" }),
    caseName<FitCase>);

TEST(FitPictureTest, refusesWhatCannotBeShown)
{
    EXPECT_FALSE(fitPicture(32768, 1000, false)); // wider than 16-bit positions
    EXPECT_FALSE(fitPicture(1000, 40000, false));
    EXPECT_FALSE(fitPicture(0, 480, false));
    EXPECT_FALSE(fitPicture(640, 0, false));
    // A sliver 4 rows high is shown 120 times enlarged: 300 columns would be 36000 pixels wide.
    EXPECT_FALSE(fitPicture(300, 4, true));
    EXPECT_TRUE(fitPicture(250, 4, true));
    // The widest that still fits at 480 rows, in either picture size.
    EXPECT_TRUE(fitPicture(32763, 480, false));
    EXPECT_TRUE(fitPicture(32763, 480, true));
    EXPECT_FALSE(fitPicture(32764, 480, true));
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
