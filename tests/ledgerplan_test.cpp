#include "ledger/ledgerday.h"
#include "ledger/ledgerlayout.h"
#include "ledger/ledgerplan.h"

#include "testsupport.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

// Poles written as their rows, "p" for a row with a picture and "-" for one without: { "pp-p", "" }.
LedgerDay dayOf(const QList<QByteArray>& poles)
{
    LedgerDay day;
    for (const QByteArray& rows : poles) {
        LedgerPole pole;
        for (int r = 0; r < rows.size(); ++r) {
            LedgerRow row;
            row.row = r + 1;
            if (rows[r] == 'p')
                row.picturePath = QStringLiteral("x.jpg");
            pole.rows.append(row);
        }
        day.poles.append(pole);
    }
    return day;
}

QByteArray pictured(int count, int without = 0)
{
    return QByteArray(count, 'p') + QByteArray(without, '-');
}

QString describeCracks(const QList<LedgerPage>& pages);

struct PlanCase {
    const char* name;
    QList<QByteArray> poles;
    const char* pages;
};

class LedgerPlanTest : public testing::TestWithParam<PlanCase> { };

TEST_P(LedgerPlanTest, CoverThenEachPolesHeadingTableAndPhotosFlowOn)
{
    EXPECT_EQ(describeCracks(planLedger(dayOf(GetParam().poles))), QString::fromUtf8(GetParam().pages));
}

INSTANTIATE_TEST_SUITE_P(Plans, LedgerPlanTest,
    testing::Values(PlanCase { "no_poles", {}, "C" }, PlanCase { "pole_without_rows_is_listed", { "" }, "C(2) K:H0" },
        PlanCase {
            "six_pictures_below_the_table_then_on", { pictured(6) }, "C(2) K:H0 t0 w0.0-5 f0.0,1 f0.2,3 K:f0.4,5" },
        PlanCase {
            "seventh_picture_alone_in_its_pair", { pictured(7) }, "C(2) K:H0 t0 w0.0-6 f0.0,1 f0.2,3 K:f0.4,5 f0.6" },
        PlanCase { "rows_without_pictures_only_in_the_table", { "-p-pp" }, "C(2) K:H0 t0 w0.0-4 f0.1,3 f0.4" },
        PlanCase { "no_pictures_no_photos", { "--" }, "C(2) K:H0 t0 w0.0-1" },
        PlanCase { "35_rows_one_table_page", { pictured(0, 35) }, "C(2) K:H0 t0 w0.0-34" },
        PlanCase { "table_goes_on_under_its_column_names", { pictured(0, 50) }, "C(2) K:H0 t0 w0.0-47 K:t0 w0.48-49" },
        PlanCase { "poles_in_turn", { pictured(2), pictured(13), "-" },
            "C(4) K:H0 t0 w0.0-1 f0.0,1 H1 t1 w1.0-12 K:f1.0,1 f1.2,3 f1.4,5 K:f1.6,7 f1.8,9 f1.10,11 K:f1.12 H2 t2 "
            "w2.0" }),
    caseName<PlanCase>);

// The problems beyond the cover's first six follow the cover, before the poles.
TEST(LedgerPlan, ProblemsBeyondTheCoversFollowIt)
{
    for (const auto& [problems, pages] : std::initializer_list<std::pair<int, const char*>> {
             { 0, "C(2) K:H0 t0 w0.0" }, { 6, "C(2) K:H0 t0 w0.0" }, { 7, "C(2) N:6-6 K:H0 t0 w0.0" },
             { 6 + 19, "C(2) N:6-24 K:H0 t0 w0.0" }, { 6 + 20, "C(2) N:6-24/1of2 N:25-25/2of2 K:H0 t0 w0.0" } }) {
        SCOPED_TRACE(problems);
        LedgerDay day = dayOf({ "-" });
        for (int i = 0; i < problems; ++i)
            day.problems.append({ QString::number(i), "x" });
        EXPECT_EQ(describeCracks(planLedger(day)), QString::fromUtf8(pages));
    }
}

// Pages of the poles as their parts: "H0" pole 0's heading, "c0.2" its crack of row 2, "r0.1-3" its rows 1 to 3
// without pictures, "t0" its table's column names, "w0.0-4" its table's lines of rows 0 to 4, "f0.2,3" its photos of
// rows 2 and 3, "l" the pole list's column names, "L5" its line of pole 5, "E" and "e6" the problems' heading
// and problem 6; "K:" starts a page.
QString describeCracks(const QList<LedgerPage>& pages)
{
    QStringList parts;
    for (const LedgerPage& page : pages) {
        if (page.kind == LedgerPageKind::Cover) {
            parts << QString("C%1").arg(page.items.isEmpty() ? QString() : QString("(%1)").arg(page.items.size()));
            continue;
        }
        if (page.kind != LedgerPageKind::Cracks) { // the pole list's or problems' own pages: "N:6-24/1of2"
            parts << QString("N:%1-%2").arg(page.rows.front()).arg(page.rows.back())
                    + (page.parts > 1 ? QString("/%1of%2").arg(page.part).arg(page.parts) : QString());
            continue;
        }
        QStringList items;
        for (qsizetype i = 0; i < page.items.size(); ++i) {
            const LedgerItem& item = page.items[i];
            const QString pole = QString::number(item.index);
            switch (item.kind) {
            case LedgerItemKind::ListHeading:
                items << "l";
                break;
            case LedgerItemKind::ListLine:
                items << "L" + pole;
                break;
            case LedgerItemKind::ProblemHeading:
                items << "E";
                break;
            case LedgerItemKind::ProblemLine:
                items << "e" + pole;
                break;
            case LedgerItemKind::PoleHeading:
                items << "H" + pole;
                break;
            case LedgerItemKind::Crack:
                items << QString("c%1.%2").arg(pole).arg(item.row);
                break;
            case LedgerItemKind::TableHeading:
                items << "t" + pole;
                break;
            case LedgerItemKind::PhotoPair:
                items << QString("f%1.%2").arg(pole).arg(item.row)
                        + (item.second < 0 ? QString() : QString(",%1").arg(item.second));
                break;
            case LedgerItemKind::RowLine:
            case LedgerItemKind::TableLine: {
                qsizetype last = i;
                while (last + 1 < page.items.size() && page.items[last + 1].kind == item.kind
                    && page.items[last + 1].index == item.index)
                    ++last;
                items << QString(item.kind == LedgerItemKind::RowLine ? "r%1.%2" : "w%1.%2").arg(pole).arg(item.row)
                        + (last > i ? QString("-%1").arg(page.items[last].row) : QString());
                i = last;
                break;
            }
            }
        }
        parts << "K:" + items.join(" ");
    }
    return parts.join(" ");
}

struct ThreeCase {
    const char* name;
    QList<QByteArray> poles;
    int problems;
    const char* pages;
};

class ThreePerPagePlanTest : public testing::TestWithParam<ThreeCase> { };

TEST_P(ThreePerPagePlanTest, CracksFlowThreeToAPageUnderTheirPolesHeadings)
{
    LedgerDay day = dayOf(GetParam().poles);
    for (int i = 0; i < GetParam().problems; ++i)
        day.problems.append({ QString::number(i), "x" });
    EXPECT_EQ(describeCracks(planLedger(day, LedgerForm::ThreePerPage)), QString::fromUtf8(GetParam().pages));
}

INSTANTIATE_TEST_SUITE_P(Plans, ThreePerPagePlanTest,
    testing::Values(ThreeCase { "no_poles", {}, 0, "C" },
        ThreeCase { "pole_without_rows_is_a_heading", { "" }, 0, "C(2) K:H0" },
        ThreeCase { "three_cracks_one_page", { pictured(3) }, 0, "C(2) K:H0 c0.0 c0.1 c0.2" },
        ThreeCase { "fourth_crack_next_page", { pictured(4) }, 0, "C(2) K:H0 c0.0 c0.1 c0.2 K:c0.3" },
        ThreeCase { "poles_share_a_page", { "p", "p", "p", "p" }, 0, "C(5) K:H0 c0.0 H1 c1.0 H2 c2.0 K:H3 c3.0" },
        ThreeCase { "heading_stays_with_its_first_crack", { "pp", "pp" }, 0, "C(3) K:H0 c0.0 c0.1 H1 c1.0 K:c1.1" },
        ThreeCase { "rows_without_pictures_are_lines", { "--p-" }, 0, "C(2) K:H0 r0.0-1 c0.2 r0.3" },
        ThreeCase { "lines_fill_a_page_before_the_next", { pictured(0, 45) }, 0, "C(2) K:H0 r0.0-40 K:r0.41-44" },
        ThreeCase { "lines_below_three_cracks", { "ppp--" }, 0, "C(2) K:H0 c0.0 c0.1 c0.2 r0.3-4" },
        ThreeCase { "problems_past_the_cover_come_first", { "-" }, 8, "C(2) K:E e6 e7 H0 r0.0" }),
    caseName<ThreeCase>);

// Over many made-up days, in either form: every row once and in order (six a page: in its table, and every pictured
// row among the photos), a heading on the page of its pole's first row, at most three cracks (six photos) and no
// more than a page's height on a page, and no page but the last that the next part would have fitted on.
TEST(LedgerPlan, EachFormFillsEveryPageButTheLast)
{
    using namespace ledgerpage;
    QRandomGenerator random(7);
    const auto photos = [](const LedgerItem& item) {
        return item.kind == LedgerItemKind::Crack    ? 1
            : item.kind != LedgerItemKind::PhotoPair ? 0
            : item.second < 0                        ? 1
                                                     : 2;
    };
    for (int round = 0; round < 120; ++round) {
        const LedgerForm form = round % 2 ? LedgerForm::SixPerPage : LedgerForm::ThreePerPage;
        const int limit = form == LedgerForm::SixPerPage ? PicturesPerPage : CracksPerPage;
        QList<QByteArray> poles;
        const int count = int(random.bounded(70));
        for (int p = 0; p < count; ++p) {
            QByteArray rows;
            for (int r = int(random.bounded(12)); r > 0; --r)
                rows += random.bounded(4) == 0 ? '-' : 'p';
            poles << rows;
        }
        LedgerDay day = dayOf(poles);
        for (int i = int(random.bounded(30)); i > 0; --i)
            day.problems.append({ QString::number(i), "x" });
        SCOPED_TRACE(describeCracks(planLedger(day, form)).toStdString());
        const QList<LedgerPage> pages = planLedger(day, form);
        QList<std::pair<int, int>> rows;
        QList<std::pair<int, int>> shown;
        QList<int> listed;
        for (const LedgerItem& item : pages[0].items)
            if (item.kind == LedgerItemKind::ListLine)
                listed << item.index;
        for (qsizetype n = 1; n < pages.size(); ++n) {
            const QList<LedgerItem>& items = pages[n].items;
            if (pages[n].kind != LedgerPageKind::Cracks) { // six a page: the rest of the list on pages of its own
                listed << (pages[n].kind == LedgerPageKind::PoleList ? pages[n].rows : QList<int> {});
                continue;
            }
            ASSERT_FALSE(items.isEmpty());
            int cracks = 0;
            for (qsizetype i = 0; i < items.size(); ++i) {
                const LedgerItem& item = items[i];
                cracks += photos(item);
                for (int r : { item.row, item.second })
                    if (photos(item) > 0 && r >= 0)
                        shown << std::pair { item.index, r };
                if (item.kind == LedgerItemKind::ListLine)
                    listed << item.index;
                const bool line = item.kind == LedgerItemKind::TableLine;
                if (item.kind == LedgerItemKind::RowLine || line || (item.kind == LedgerItemKind::Crack)) {
                    rows << std::pair { item.index, item.row };
                    const bool first = item.row == 0;
                    EXPECT_TRUE(!first || (i > line && items[i - 1 - line].kind == LedgerItemKind::PoleHeading));
                    EXPECT_TRUE(
                        !line || items[i - 1].kind == LedgerItemKind::TableHeading || items[i - 1].kind == item.kind);
                }
                const double bottom = item.top + itemHeight(item.kind);
                EXPECT_LE(bottom, ContentBottom + 1e-9);
                if (i + 1 < items.size()) {
                    EXPECT_DOUBLE_EQ(items[i + 1].top, bottom);
                }
            }
            EXPECT_LE(cracks, limit);
            if (n + 1 < pages.size()) {
                const LedgerItem& next = pages[n + 1].items.constFirst();
                const double used = items.constLast().top + itemHeight(items.constLast().kind) - ContentTop;
                double needed = itemHeight(next.kind);
                const LedgerItem second = pages[n + 1].items.value(1);
                if (next.kind == LedgerItemKind::ListHeading || next.kind == LedgerItemKind::ProblemHeading
                    || next.kind == LedgerItemKind::TableHeading
                    || (next.kind == LedgerItemKind::PoleHeading && second.index == next.index))
                    needed += itemHeight(second.kind);
                if (next.kind == LedgerItemKind::PoleHeading && second.kind == LedgerItemKind::TableHeading)
                    needed += itemHeight(pages[n + 1].items[2].kind);
                const bool full = cracks + photos(second) + photos(next) > limit;
                EXPECT_TRUE(full || used + needed > Height) << "page " << n + 1 << " ends early";
                EXPECT_GT(used, Height / 4) << "page " << n + 1;
            }
        }
        QList<std::pair<int, int>> expected;
        for (int p = 0; p < day.poles.size(); ++p)
            for (int r = 0; r < day.poles[p].rows.size(); ++r)
                expected << std::pair { p, r };
        EXPECT_EQ(rows, expected);
        if (form == LedgerForm::SixPerPage) {
            expected.removeIf(
                [&](std::pair<int, int> r) { return day.poles[r.first].rows[r.second].picturePath.isEmpty(); });
            EXPECT_EQ(shown, expected);
        }
        QList<int> allPoles;
        for (int p = 0; p < day.poles.size(); ++p)
            allPoles << p;
        EXPECT_EQ(listed, allPoles);
    }
}

// The bar on a photo 94.67 mm wide: 1 mm where it takes at most 40 % of the width, else 0.5 mm or 0.1 mm.
TEST(LedgerLayout, ScaleBarIsTheLongestRoundLengthThatFits)
{
    struct Case {
        double pxPerMm;
        int width;
        double mm;
        double lengthMm;
    };
    const double photo = 94.67;
    for (const Case& c :
        std::initializer_list<Case> { { 91, 640, 1, 13.461 }, { 368.55, 2592, 1, 13.461 }, { 1000, 2592, 1, 36.524 },
            { 1100, 2592, 0.5, 20.088 }, { 2200, 2592, 0.1, 8.035 }, { 20000, 2592, 0.1, 73.048 }, { 20000, 640, 0, 0 },
            { 1, 2592, 1, 0.0365 }, { 0, 2592, 0, 0 }, { std::nan(""), 2592, 0, 0 }, { 91, 0, 0, 0 } }) {
        SCOPED_TRACE(testing::Message() << c.pxPerMm << " px/mm, " << c.width << " px");
        const ScaleBar bar = scaleBar(c.pxPerMm, c.width, photo);
        EXPECT_EQ(bar.mm, c.mm);
        EXPECT_NEAR(bar.lengthMm, c.lengthMm, 0.001);
    }
}

} // namespace
