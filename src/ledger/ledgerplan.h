#pragma once

#include "settings/surveyheader.h"

#include <QList>

// Which page of the photo ledger shows what: the cover first, then the files that could not be read beyond
// those the cover names, then for each pole in ledger order its table of rows and then its pictures.
namespace norvel {

struct LedgerDay;

enum class LedgerPageKind { Cover, Problems, Table, Pictures };

constexpr int TableRowsPerPage = 35;
constexpr int PicturesPerPage = 6; // 2 columns by 3 rows, filled row by row
constexpr int CoverProblems = 6; // the first problems, named on the cover
constexpr int ProblemsPerPage = 19;

struct LedgerPage {
    LedgerPageKind kind = LedgerPageKind::Cover;
    int pole = -1; // index into LedgerDay::poles; -1 on the cover and the problem pages
    QList<int> rows; // indexes into the pole's rows, in the order shown; on problem pages into LedgerDay::problems
    int part = 1; // 1-based number of this page among the pole's table or picture pages
    int parts = 1;
    friend bool operator==(const LedgerPage&, const LedgerPage&) = default;
};

// The problems after the first CoverProblems take ProblemsPerPage a page.
// A pole's table takes TableRowsPerPage rows a page and at least one page, so a pole without rows is still
// listed. Its pictures follow, PicturesPerPage a page, only rows with a filed picture; none, no page.
[[nodiscard]] QList<LedgerPage> planLedger(const LedgerDay& day, LedgerForm form = LedgerForm::SixPerPage);

} // namespace norvel
