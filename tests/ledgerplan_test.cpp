#include "ledger/ledgerday.h"
#include "ledger/ledgerplan.h"

#include "testsupport.h"

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

// Each page as kind, pole and the rows it shows: "T0:0-34" is pole 0's table with rows 0 to 34, "P1:0,2" pole 1's
// pictures of rows 0 and 2, "C" the cover; parts after a slash when a pole has more than one such page.
QString describe(const QList<LedgerPage>& pages)
{
    QStringList parts;
    for (const LedgerPage& page : pages) {
        if (page.kind == LedgerPageKind::Cover) {
            parts << "C";
            continue;
        }
        QStringList rows;
        const bool contiguous = page.rows.size() > 2 && page.rows.back() - page.rows.front() == page.rows.size() - 1;
        if (contiguous)
            rows << QString("%1-%2").arg(page.rows.front()).arg(page.rows.back());
        else
            for (int r : page.rows)
                rows << QString::number(r);
        const QString kind = page.kind == LedgerPageKind::Table ? "T"
            : page.kind == LedgerPageKind::Pictures             ? "P"
                                                                : "N";
        QString text = kind + (page.pole < 0 ? QString() : QString::number(page.pole)) + ":" + rows.join(",");
        if (page.parts > 1)
            text += QString("/%1of%2").arg(page.part).arg(page.parts);
        parts << text;
    }
    return parts.join(" ");
}

struct PlanCase {
    const char* name;
    QList<QByteArray> poles;
    const char* pages;
};

class LedgerPlanTest : public testing::TestWithParam<PlanCase> { };

TEST_P(LedgerPlanTest, CoverThenEachPolesTableAndPictures)
{
    EXPECT_EQ(describe(planLedger(dayOf(GetParam().poles))), QString::fromUtf8(GetParam().pages));
}

INSTANTIATE_TEST_SUITE_P(Plans, LedgerPlanTest,
    testing::Values(PlanCase { "no_poles", {}, "C" }, PlanCase { "pole_without_rows_is_listed", { "" }, "C T0:" },
        PlanCase { "six_pictures_one_page", { pictured(6) }, "C T0:0-5 P0:0-5" },
        PlanCase { "seventh_picture_next_page", { pictured(7) }, "C T0:0-6 P0:0-5/1of2 P0:6/2of2" },
        PlanCase { "rows_without_pictures_only_in_the_table", { "-p-pp" }, "C T0:0-4 P0:1,3,4" },
        PlanCase { "no_pictures_no_picture_page", { "--" }, "C T0:0,1" },
        PlanCase { "35_rows_one_table_page", { pictured(0, 35) }, "C T0:0-34" },
        PlanCase { "36th_row_next_table_page", { pictured(0, 36) }, "C T0:0-34/1of2 T0:35/2of2" },
        PlanCase { "poles_in_turn", { pictured(2), pictured(13), "-" },
            "C T0:0,1 P0:0,1 T1:0-12 P1:0-5/1of3 P1:6-11/2of3 P1:12/3of3 T2:0" }),
    caseName<PlanCase>);

// The problems beyond the cover's first six follow the cover, before the poles.
TEST(LedgerPlan, ProblemsBeyondTheCoversFollowIt)
{
    for (const auto& [problems, pages] :
        std::initializer_list<std::pair<int, const char*>> { { 0, "C T0:0" }, { 6, "C T0:0" }, { 7, "C N:6 T0:0" },
            { 6 + 19, "C N:6-24 T0:0" }, { 6 + 20, "C N:6-24/1of2 N:25/2of2 T0:0" } }) {
        SCOPED_TRACE(problems);
        LedgerDay day = dayOf({ "-" });
        for (int i = 0; i < problems; ++i)
            day.problems.append({ QString::number(i), "x" });
        EXPECT_EQ(describe(planLedger(day)), QString::fromUtf8(pages));
    }
}

} // namespace
