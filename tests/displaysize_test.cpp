#include "app/displaysize.h"
#include "settings/setdt.h"
#include "widgets/twips.h"

#include <gtest/gtest.h>

using namespace norvel;

namespace {

struct ModeRow {
    const char* name;
    DisplayMode mode;
    int full;
    int reduced;
    int width;
};

TEST(DisplaySize, heightsAndWidthsFollowPictureSizeAndSmallScreen)
{
    const ModeRow rows[] = {
        { "640x480", { false, false }, 9000, 1770, 11130 },
        { "560x420", { false, true }, 8100, 1770, 9930 },
        { "small_640x480", { true, false }, 7830, 600, 11130 },
        { "small_560x420", { true, true }, 6930, 600, 9930 },
    };
    for (const ModeRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(fullHeightTwips(row.mode), row.full);
        EXPECT_EQ(reducedHeightTwips(row.mode), row.reduced);
        EXPECT_EQ(windowWidthTwips(row.mode), row.width);
        // Switching small screen moves between the two full and the two reduced heights.
        const DisplayMode other { !row.mode.smallScreen, row.mode.smallPicture };
        const int change = row.mode.smallScreen ? SmallScreenHeightChangeTwips : -SmallScreenHeightChangeTwips;
        EXPECT_EQ(fullHeightTwips(row.mode) + change, fullHeightTwips(other));
        EXPECT_EQ(reducedHeightTwips(row.mode) + change, reducedHeightTwips(other));
    }
}

TEST(Twips, pixelsRoundToNearest)
{
    EXPECT_EQ(twipsToPixels(1770), 118);
    EXPECT_EQ(twipsToPixels(500), 33);
    EXPECT_EQ(twipsToPixels(750), 50);
    EXPECT_EQ(twipsToPixels(7), 0);
    EXPECT_EQ(twipsToPixels(8), 1);
    EXPECT_EQ(twipsToPixels(-1170), -78);
    EXPECT_EQ(contentSizeForOuterTwips(11130, 9000, { 4, 52 }), QSize(738, 548));
    EXPECT_EQ(contentSizeForOuterTwips(11130, 600, { 4, 52 }), QSize(738, 0));
}

struct FieldRow {
    const char* name;
    QByteArray content;
    const char* field;
};

TEST(SetDt, firstFieldOfTheFile)
{
    const FieldRow rows[] = {
        { "line", "/a/b/*.jpg\r\n", "/a/b/*.jpg" },
        { "no_line_end", "/a/b/*.jpg", "/a/b/*.jpg" },
        { "leading_blanks", "   /a/*.bmp\r\n", "/a/*.bmp" },
        { "comma", "/a,b\r\n", "/a" },
        { "quoted_with_comma", "\"/a,b/*.bmp\",x\r\n", "/a,b/*.bmp" },
        { "only_first_line", "/x\r\n/y\r\n", "/x" },
        { "empty_first_line", "\r\n/y\r\n", "" },
        { "nothing", "", "" },
        { "japanese", "/写真/カメラ/*.jpg\r\n", "/写真/カメラ/*.jpg" },
    };
    for (const FieldRow& row : rows)
        EXPECT_EQ(firstField(row.content), QString::fromUtf8(row.field)) << row.name;
}

// What is written is read back whole; a plain path is written as it always was.
TEST(SetDt, writtenFieldReadsBackTheSame)
{
    const struct {
        const char* value;
        const char* written;
    } rows[] = {
        { "/a/b/*.jpg", "/a/b/*.jpg" },
        { "", "" },
        { "/写真/Camera Roll/*.jpg", "/写真/Camera Roll/*.jpg" },
        { "/Pics, 2023/*.bmp", "\"/Pics, 2023/*.bmp\"" },
        { "/a\"b\"/*.bmp", "\"/a\"\"b\"\"/*.bmp\"" },
        { " /lead/*.bmp", "\" /lead/*.bmp\"" },
        { "/trail /*.bmp\t", "\"/trail /*.bmp\t\"" },
        { "/two\r\nlines/*.bmp", "\"/two\r\nlines/*.bmp\"" },
        { "\"", "\"\"\"\"" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        const QString value = QString::fromUtf8(row.value);
        EXPECT_EQ(fieldText(value), QString::fromUtf8(row.written));
        EXPECT_EQ(firstField((fieldText(value) + QStringLiteral("\r\n")).toUtf8()), value);
    }
    // A quoted field that never closes ends with its line.
    EXPECT_EQ(firstField("\"/a,b\r\n/c\r\n"), "/a,b");
}

} // namespace
