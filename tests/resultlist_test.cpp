#include "results/resultlist.h"

#include "testsupport.h"

#include <gtest/gtest.h>

using namespace norvel;

namespace {

struct CopyCase {
    const char* name;
    QStringList widths;
    CopyLayout layout;
    QString expected;
};

class CopyTextTest : public testing::TestWithParam<CopyCase> { };

TEST_P(CopyTextTest, endsEveryRowWithItsSeparator)
{
    const CopyCase& c = GetParam();
    EXPECT_EQ(copyText(c.widths, c.layout), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, CopyTextTest,
    testing::Values(CopyCase { "lines", { "0.35", "0.40" }, CopyLayout::OnePerLine, "0.35\r\n0.40\r\n" },
        CopyCase { "tabs", { "0.35", "0.40" }, CopyLayout::TabSeparated, "0.35\t0.40\t" },
        CopyCase { "empty_lines", {}, CopyLayout::OnePerLine, "" },
        CopyCase { "empty_tabs", {}, CopyLayout::TabSeparated, "" },
        // A typed correction and a row the watcher added before its analysis go out as they are.
        CopyCase { "text_kept", { "abc", "", "1.2" }, CopyLayout::OnePerLine, "abc\r\n\r\n1.2\r\n" }),
    caseName<CopyCase>);

struct RecentCase {
    const char* name;
    int rows;
    int firstRow;
    QStringList captions;
};

class RecentResultsTest : public testing::TestWithParam<RecentCase> { };

TEST_P(RecentResultsTest, listTheLastSixRows)
{
    const RecentCase& c = GetParam();
    QStringList widths;
    for (int row = 1; row <= c.rows; ++row)
        widths << QStringLiteral("0.%1").arg(30 + row);
    const RecentResults recent = recentResults(widths);
    EXPECT_EQ(recent.firstRow, c.firstRow);
    EXPECT_EQ(recent.captions, c.captions);
}

INSTANTIATE_TEST_SUITE_P(Rows, RecentResultsTest,
    testing::Values(RecentCase { "none", 0, 0, {} }, RecentCase { "one", 1, 0, { "1: 0.31" } },
        RecentCase { "six", 6, 0, { "1: 0.31", "2: 0.32", "3: 0.33", "4: 0.34", "5: 0.35", "6: 0.36" } },
        RecentCase { "seven", 7, 1, { "2: 0.32", "3: 0.33", "4: 0.34", "5: 0.35", "6: 0.36", "7: 0.37" } },
        RecentCase { "twelve", 12, 6, { "7: 0.37", "8: 0.38", "9: 0.39", "10: 0.40", "11: 0.41", "12: 0.42" } }),
    caseName<RecentCase>);

TEST(RecentResultsTest, showAnEmptyRowAsItsNumberAlone)
{
    EXPECT_EQ(recentResults({ "0.35", "" }).captions, QStringList({ "1: 0.35", "2: " }));
}

TEST(CorrectedCaptionTest, wrapsTheTextUnchangedAfterAnAsciiColon)
{
    EXPECT_EQ(correctedCaption("0.35"), u"測定値:0.35mm");
    EXPECT_EQ(correctedCaption("abc"), u"測定値:abcmm");
    EXPECT_EQ(correctedCaption(""), u"測定値:mm");
}

} // namespace
