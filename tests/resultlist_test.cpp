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

// A script of changes, one letter each: k a shot taken in (0.30) and shown, o a picture opened, m the picture on
// screen analysed (0.40), t a typed width (0.5), d a dragged one (0.6), 1 the last row cleared, a all cleared, p
// another pole, q another pole keeping the rows (no automatic saving), u the last clear undone.
struct ListCase {
    const char* name;
    const char* script;
    QStringList widths; // afterwards
};

class ResultListTest : public testing::TestWithParam<ListCase> { };

TEST_P(ResultListTest, takesOnlyWidthsOfItsOwnPicturesAndPole)
{
    ResultList list([] { return QDate(2022, 10, 19); });
    QList<ResultRow> cleared;
    int clearedFrom = 0;
    for (const char step : std::string(GetParam().script)) {
        switch (step) {
        case 'k':
            list.showPicture({ list.pole(), list.count() + 1 });
            list.takeIn({ {}, "0.30", WidthSource::TakeIn }, {});
            break;
        case 'o':
            list.showPicture({ list.pole(), 0 });
            break;
        case 'm':
            list.measure({ {}, "0.40", WidthSource::Analysis }, {});
            break;
        case 't':
            list.setByHand("0.5", WidthSource::Typed, {});
            break;
        case 'd':
            list.setByHand("0.6", WidthSource::DraggedLine, {});
            break;
        case '1':
            clearedFrom = list.count();
            cleared = list.clearLast({});
            break;
        case 'a':
            clearedFrom = 1;
            cleared = list.clearAll(ResultCause::ClearAll, {});
            break;
        case 'p':
        case 'q':
            list.changePole(list.pole() + "0", step == 'q', {});
            break;
        case 'u':
            list.undo(cleared, clearedFrom, list.day(), {});
            break;
        }
    }
    EXPECT_EQ(list.widths(), GetParam().widths);
}

INSTANTIATE_TEST_SUITE_P(Scripts, ResultListTest,
    testing::Values(ListCase { "shotAnalysedAgain", "km", { "0.40" } },
        ListCase { "openedPictureSetsTheLastRow", "kom", { "0.40" } },
        ListCase { "openedPictureOnAnEmptyListMakesRowOne", "om", { "0.40" } },
        ListCase { "anotherPolesPictureIsNeverListed", "kpm", {} },
        ListCase { "keptRowsTakeNoOtherPolesWidth", "kqmd", { "0.30" } },
        ListCase { "aClearedShotIsNotMeasuredIntoTheRowBefore", "kk1md", { "0.30" } },
        ListCase { "anOpenedPictureOutlivesAClear", "koa1m", { "0.40" } },
        ListCase { "typedCorrectsTheLastRow", "kkt", { "0.30", "0.5" } },
        ListCase { "draggedCorrectsTheLastRow", "kkd", { "0.30", "0.6" } },
        ListCase { "nothingToCorrectOnAnEmptyList", "otd", {} },
        ListCase { "undoBringsTheRowsBack", "kkau", { "0.30", "0.30" } },
        ListCase { "undoOnlyWhereTheClearLeftTheList", "kk1ku", { "0.30", "0.30" } }),
    caseName<ListCase>);

TEST(ResultListDay, isTheFirstRowsUntilTheListEmpties)
{
    QDate today(2022, 10, 19);
    ResultList list([&] { return today; });
    list.showPicture({ list.pole(), 0 });
    list.measure({ {}, "0.40", WidthSource::Analysis }, {});
    today = today.addDays(1); // past midnight
    list.measure({ {}, "0.41", WidthSource::Analysis }, {});
    EXPECT_EQ(list.day(), QDate(2022, 10, 19));
    list.clearLast({});
    EXPECT_EQ(list.day(), today);
}

TEST(ResultListHandMeasured, isNamedBeforeAnAnalysisWouldReplaceIt)
{
    ResultList list([] { return QDate(2022, 10, 19); });
    list.showPicture({ list.pole(), 0 });
    list.measure({ {}, "0.08", WidthSource::Analysis }, {});
    EXPECT_EQ(list.handMeasuredReplacedBy("0.09"), std::nullopt) << "an analysis's own width";
    list.setByHand("0.07", WidthSource::Typed, {});
    EXPECT_EQ(list.handMeasuredReplacedBy("0.08"), "0.07");
    EXPECT_EQ(list.handMeasuredReplacedBy("0.07"), std::nullopt) << "nothing would change";
    list.setByHand("0.06", WidthSource::DraggedLine, {});
    EXPECT_EQ(list.handMeasuredReplacedBy("0.08"), "0.06");
}
