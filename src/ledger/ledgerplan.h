#pragma once

#include "settings/surveyheader.h"

#include <QList>

// Which page of the photo ledger shows what. Both forms open with the cover (the survey's figures, the chart and
// as much of the pole list as fits).
// Six a page: the rest of the pole list, the files that could not be read beyond those the cover names, then for
// each pole in ledger order its table of rows and then its pictures.
// Three a page: the rest of the pole list, the files beyond those on the cover, and the poles in ledger order flow
// on: each pole's heading, then its rows, a crack with a picture as a photo with its facts beside it, one without as
// a line. At most three cracks a page; a heading stays with what follows it. A page ends only when the next
// part does not fit, so no page but the last is left mostly empty.
namespace norvel {

struct LedgerDay;

enum class LedgerPageKind { Cover, PoleList, Problems, Table, Pictures, Cracks };

constexpr int TableRowsPerPage = 35;
constexpr int PicturesPerPage = 6; // 2 columns by 3 rows, filled row by row
constexpr int CoverProblems = 6; // the first problems, named on the cover
constexpr int ProblemsPerPage = 19;
constexpr int PoleListRowsPerPage = 45;

// A part of a page, from top (mm from the page's top edge).
enum class LedgerItemKind {
    ListHeading, // the pole list's column names
    ListLine, // index: the pole
    ProblemHeading,
    ProblemLine, // index: into LedgerDay::problems
    PoleHeading, // index: the pole
    Crack, // index: the pole, row: its row with a picture
    RowLine, // index: the pole, row: its row without a picture
};
struct LedgerItem {
    LedgerItemKind kind = LedgerItemKind::ListLine;
    int index = -1;
    int row = -1;
    double top = 0;
    friend bool operator==(const LedgerItem&, const LedgerItem&) = default;
};
[[nodiscard]] double itemHeight(LedgerItemKind kind);

struct LedgerPage {
    LedgerPageKind kind = LedgerPageKind::Cover;
    int pole = -1; // index into LedgerDay::poles on table and picture pages; else -1
    QList<int> rows; // indexes into the pole's rows, in the order shown; on problem and pole list pages into
                     // LedgerDay::problems or poles
    int part = 1; // 1-based number of this page among the pole's table or picture pages
    int parts = 1;
    QList<LedgerItem> items; // on the cover its pole list, on pages of three cracks everything
    friend bool operator==(const LedgerPage&, const LedgerPage&) = default;
};

// Six a page: the problems after the first CoverProblems take ProblemsPerPage a page. A pole's table takes
// TableRowsPerPage rows a page and at least one page, so a pole without rows is still listed. Its pictures
// follow, PicturesPerPage a page, only rows with a filed picture; none, no page. settingNotes: the cover's lines
// naming settings that could not be used.
[[nodiscard]] QList<LedgerPage> planLedger(
    const LedgerDay& day, LedgerForm form = LedgerForm::SixPerPage, int settingNotes = 0);

} // namespace norvel
