#pragma once

#include "settings/surveyheader.h"

#include <QList>

// Which page of the photo ledger shows what. Both forms open with the cover (the survey's figures, the chart and
// as much of the pole list as fits).
// Three a page: the rest of the pole list, the files that could not be read beyond those on the cover, and the poles
// in ledger order flow on: each pole's heading, then its rows, a crack with a picture as a photo with its facts
// beside it, one without as a line. At most three cracks a page; a heading stays with what follows it. A page ends
// only when the next part does not fit, so no page but the last is left mostly empty.
// Six a page: the rest of the pole list and the files beyond those on the cover on pages of their own, then the
// poles flow on in the same way: each pole's heading, its table of rows (the column names again atop each page it
// goes on to), then its photos two abreast, each captioned with its facts. At most six photos a page; a table and
// the photos after it share a page where they fit.
namespace norvel {

struct LedgerDay;

// Cracks: the pages the poles flow on, of either form.
enum class LedgerPageKind { Cover, PoleList, Problems, Cracks };

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
    TableHeading, // six a page: the table's column names; index: the pole
    TableLine, // index: the pole, row: its row
    PhotoPair, // index: the pole, row: its row with a picture on the left, second: the one on the right or -1
};
struct LedgerItem {
    LedgerItemKind kind = LedgerItemKind::ListLine;
    int index = -1;
    int row = -1;
    double top = 0;
    int second = -1;
    friend bool operator==(const LedgerItem&, const LedgerItem&) = default;
};
[[nodiscard]] double itemHeight(LedgerItemKind kind);

struct LedgerPage {
    LedgerPageKind kind = LedgerPageKind::Cover;
    QList<int> rows; // on problem and pole list pages: indexes into LedgerDay::problems or poles
    int part = 1; // 1-based number of this page among the problem or pole list pages
    int parts = 1;
    QList<LedgerItem> items; // on the cover its pole list, on the poles' pages everything
    friend bool operator==(const LedgerPage&, const LedgerPage&) = default;
};

// Six a page: the problems after the first CoverProblems take ProblemsPerPage a page, the pole list beyond the
// cover's PoleListRowsPerPage. A pole without rows still has its heading. settingNotes: the cover's lines naming
// settings that could not be used.
[[nodiscard]] QList<LedgerPage> planLedger(
    const LedgerDay& day, LedgerForm form = LedgerForm::SixPerPage, int settingNotes = 0);

} // namespace norvel
