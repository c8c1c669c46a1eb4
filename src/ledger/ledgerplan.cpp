#include "ledger/ledgerplan.h"

#include "ledger/ledgerday.h"

namespace norvel {

namespace {

void appendPages(QList<LedgerPage>& pages, LedgerPageKind kind, int pole, const QList<int>& rows, int perPage)
{
    const auto count = static_cast<int>(rows.size());
    const int parts = count == 0 ? 1 : (count + perPage - 1) / perPage;
    for (int part = 0; part < parts; ++part)
        pages.append({ kind, pole, rows.mid(part * perPage, perPage), part + 1, parts });
}

} // namespace

QList<LedgerPage> planLedger(const LedgerDay& day, [[maybe_unused]] LedgerForm form)
{
    QList<LedgerPage> pages { LedgerPage {} };
    QList<int> unnamed;
    for (int i = CoverProblems; i < day.problems.size(); ++i)
        unnamed.append(i);
    if (!unnamed.isEmpty())
        appendPages(pages, LedgerPageKind::Problems, -1, unnamed, ProblemsPerPage);
    for (int p = 0; p < day.poles.size(); ++p) {
        const QList<LedgerRow>& rows = day.poles[p].rows;
        QList<int> all;
        QList<int> pictured;
        for (int r = 0; r < rows.size(); ++r) {
            all.append(r);
            if (!rows[r].picturePath.isEmpty())
                pictured.append(r);
        }
        appendPages(pages, LedgerPageKind::Table, p, all, TableRowsPerPage);
        if (!pictured.isEmpty())
            appendPages(pages, LedgerPageKind::Pictures, p, pictured, PicturesPerPage);
    }
    return pages;
}

} // namespace norvel
