#include "ledger/ledgerplan.h"

#include "ledger/ledgerday.h"
#include "ledger/ledgerlayout.h"

namespace norvel {

using namespace ledgerpage;

namespace {

void appendPages(QList<LedgerPage>& pages, LedgerPageKind kind, const QList<int>& rows, int perPage)
{
    const auto count = static_cast<int>(rows.size());
    const int parts = count == 0 ? 1 : (count + perPage - 1) / perPage;
    for (int part = 0; part < parts; ++part)
        pages.append({ kind, rows.mid(part * perPage, perPage), part + 1, parts, {} });
}

QList<int> problemsPastCover(const LedgerDay& day)
{
    QList<int> rest;
    for (int i = CoverProblems; i < day.problems.size(); ++i)
        rest.append(i);
    return rest;
}

// The cover, with as much of the pole list as fits on it; the poles left for the next pages.
LedgerPage coverPage(const LedgerDay& day, int settingNotes, QList<int>* rest)
{
    LedgerPage cover;
    const CoverLayout layout = coverLayout(day, settingNotes);
    double top = layout.listTop;
    if (layout.listRows > 0) {
        cover.items.append({ LedgerItemKind::ListHeading, -1, -1, top });
        top += ListHeadingHeight;
    }
    for (int p = 0; p < day.poles.size(); ++p) {
        if (p < layout.listRows) {
            cover.items.append({ LedgerItemKind::ListLine, p, -1, top });
            top += ListLineHeight;
        } else {
            rest->append(p);
        }
    }
    return cover;
}

int photosOf(const LedgerItem& item)
{
    if (item.kind == LedgerItemKind::PhotoPair)
        return item.second < 0 ? 1 : 2;
    return item.kind == LedgerItemKind::Crack ? 1 : 0;
}

// Lays parts out page after page, at most photosPerPage photos a page. A group (a heading and the part after it)
// goes whole onto one page.
class Flow {
public:
    Flow(QList<LedgerPage>& pages, int photosPerPage)
        : m_pages(pages)
        , m_photosPerPage(photosPerPage)
    {
    }

    void add(QList<LedgerItem> group)
    {
        double height = 0;
        int cracks = 0;
        for (const LedgerItem& item : group) {
            height += itemHeight(item.kind);
            cracks += photosOf(item);
        }
        if (!m_open || m_used + height > Height + 1e-9 || m_cracks + cracks > m_photosPerPage) {
            m_pages.append({ LedgerPageKind::Cracks, {}, 1, 1, {} });
            m_open = true;
            m_used = 0;
            m_cracks = 0;
        }
        for (LedgerItem& item : group) {
            item.top = ContentTop + m_used;
            m_used += itemHeight(item.kind);
            m_pages.last().items.append(item);
        }
        m_cracks += cracks;
    }

    // Whether the next part goes below the last one on the same page, or a heading is needed again.
    [[nodiscard]] bool startsPage(double height) const { return !m_open || m_used + height > Height + 1e-9; }

private:
    QList<LedgerPage>& m_pages;
    const int m_photosPerPage;
    bool m_open = false;
    double m_used = 0;
    int m_cracks = 0;
};

// A list continues under its column names, repeated at the top of each page it goes on to.
void flowList(Flow& flow, LedgerItemKind heading, LedgerItemKind line, const QList<int>& indexes)
{
    bool first = true;
    for (int i : indexes) {
        if (first || flow.startsPage(itemHeight(line)))
            flow.add({ { heading, -1, -1, 0 }, { line, i, -1, 0 } });
        else
            flow.add({ { line, i, -1, 0 } });
        first = false;
    }
}

QList<LedgerPage> planThreePerPage(const LedgerDay& day, int settingNotes)
{
    QList<int> listRest;
    QList<LedgerPage> pages { coverPage(day, settingNotes, &listRest) };
    Flow flow(pages, CracksPerPage);
    flowList(flow, LedgerItemKind::ListHeading, LedgerItemKind::ListLine, listRest);
    flowList(flow, LedgerItemKind::ProblemHeading, LedgerItemKind::ProblemLine, problemsPastCover(day));
    for (int p = 0; p < day.poles.size(); ++p) {
        QList<LedgerItem> group { { LedgerItemKind::PoleHeading, p, -1, 0 } };
        const QList<LedgerRow>& rows = day.poles[p].rows;
        for (int r = 0; r < rows.size(); ++r) {
            const auto kind = rows[r].picturePath.isEmpty() ? LedgerItemKind::RowLine : LedgerItemKind::Crack;
            group.append({ kind, p, r, 0 });
            flow.add(group);
            group.clear();
        }
        if (!group.isEmpty())
            flow.add(group);
    }
    return pages;
}

QList<LedgerPage> planSixPerPage(const LedgerDay& day, int settingNotes)
{
    QList<int> listRest;
    QList<LedgerPage> pages { coverPage(day, settingNotes, &listRest) };
    if (!listRest.isEmpty())
        appendPages(pages, LedgerPageKind::PoleList, listRest, PoleListRowsPerPage);
    const QList<int> unnamed = problemsPastCover(day);
    if (!unnamed.isEmpty())
        appendPages(pages, LedgerPageKind::Problems, unnamed, ProblemsPerPage);
    Flow flow(pages, PicturesPerPage);
    for (int p = 0; p < day.poles.size(); ++p) {
        const QList<LedgerRow>& rows = day.poles[p].rows;
        if (rows.isEmpty()) {
            flow.add({ { LedgerItemKind::PoleHeading, p, -1, 0 } });
            continue;
        }
        QList<int> pictured;
        for (int r = 0; r < rows.size(); ++r) {
            if (r == 0)
                flow.add({ { LedgerItemKind::PoleHeading, p, -1, 0 }, { LedgerItemKind::TableHeading, p, -1, 0 },
                    { LedgerItemKind::TableLine, p, 0, 0 } });
            else if (flow.startsPage(itemHeight(LedgerItemKind::TableLine)))
                flow.add({ { LedgerItemKind::TableHeading, p, -1, 0 }, { LedgerItemKind::TableLine, p, r, 0 } });
            else
                flow.add({ { LedgerItemKind::TableLine, p, r, 0 } });
            if (!rows[r].picturePath.isEmpty())
                pictured.append(r);
        }
        for (qsizetype i = 0; i < pictured.size(); i += 2)
            flow.add({ { LedgerItemKind::PhotoPair, p, pictured[i], 0, pictured.value(i + 1, -1) } });
    }
    return pages;
}

} // namespace

double itemHeight(LedgerItemKind kind)
{
    switch (kind) {
    case LedgerItemKind::ListHeading:
        return ListHeadingHeight;
    case LedgerItemKind::ListLine:
        return ListLineHeight;
    case LedgerItemKind::ProblemHeading:
        return ProblemHeadingHeight;
    case LedgerItemKind::ProblemLine:
        return ProblemLineHeight;
    case LedgerItemKind::PoleHeading:
        return PoleHeadingHeight;
    case LedgerItemKind::Crack:
        return CrackHeight;
    case LedgerItemKind::TableHeading:
        return TableHeadingHeight;
    case LedgerItemKind::TableLine:
        return TableLineHeight;
    case LedgerItemKind::PhotoPair:
        return PhotoPairHeight;
    case LedgerItemKind::RowLine:
        break;
    }
    return RowLineHeight;
}

QList<LedgerPage> planLedger(const LedgerDay& day, LedgerForm form, int settingNotes)
{
    return form == LedgerForm::ThreePerPage ? planThreePerPage(day, settingNotes) : planSixPerPage(day, settingNotes);
}

} // namespace norvel
