#include "ledger/ledgerlayout.h"

#include "analysis/scanlines.h"
#include "ledger/ledgerday.h"
#include "ledger/ledgerplan.h"
#include "ledger/ledgersummary.h"

#include <algorithm>
#include <cmath>

namespace norvel {

using namespace ledgerpage;

QList<LedgerScale> scalesOf(const LedgerDay& day)
{
    QList<LedgerScale> scales;
    for (const LedgerPole& pole : day.poles) {
        for (const LedgerRow& row : pole.rows) {
            if (!row.pictureSize.isValid() || row.pxPerMm <= 0)
                continue;
            const LedgerScale scale { row.pictureSize, row.pxPerMm, row.calibrated, row.calibrationDate };
            if (!scales.contains(scale))
                scales.append(scale);
        }
    }
    return scales;
}

ScaleBar scaleBar(double pxPerMm, int pictureWidth, double photoWidthMm)
{
    if (!(pxPerMm > 0) || !std::isfinite(pxPerMm) || pictureWidth <= 0 || !(photoWidthMm > 0))
        return {};
    const double mmPerPagePerMm = pxPerMm * photoWidthMm / pictureWidth;
    for (const double mm : { 1.0, 0.5, 0.1 }) {
        if (mm * mmPerPagePerMm <= 0.4 * photoWidthMm)
            return { mm, mm * mmPerPagePerMm };
    }
    if (0.1 * mmPerPagePerMm <= 0.9 * photoWidthMm)
        return { 0.1, 0.1 * mmPerPagePerMm };
    return {};
}

CoverLayout coverLayout(const LedgerDay& day, int settingNotes)
{
    CoverLayout layout;
    // 件名, 調査日, 調査者, 会社, 天候, 使用機器, 発注者, 件名番号, the scales, 調査柱数・撮影数, 最大ひび割れ幅,
    // 判定線.
    const qsizetype scales = scalesOf(day).size();
    const auto perLine = scalesPerLine(scales);
    layout.figureLines = 11 + static_cast<int>(std::max<qsizetype>(1, (scales + perLine - 1) / perLine)) + settingNotes;
    if (const UnconfirmedRows unconfirmed = unconfirmedRows(day); unconfirmed.estimated + unconfirmed.unknown > 0)
        ++layout.figureLines;
    if (day.unsaved)
        layout.figureLines += 2;
    if (day.outOfRange > 0)
        ++layout.figureLines;
    const auto problems = day.problems.size() + day.unlistedProblems;
    if (problems > 0) {
        ++layout.figureLines;
        const auto named = std::min<qsizetype>(day.problems.size(), CoverProblems);
        layout.problemLines = static_cast<int>(named) + (problems > named ? 1 : 0);
    }
    const double figuresBottom
        = FigureTop + layout.figureLines * FigureHeight + layout.problemLines * CoverProblemHeight;
    const auto poles = static_cast<int>(std::max<qsizetype>(1, day.poles.size()));
    layout.chartTop = figuresBottom + 4;
    // Bars are made thinner, down to 2 mm, for the whole list to fit on the cover; a list too long for that goes
    // on to the next pages under bars of the usual height.
    layout.barHeight = std::clamp(96.0 / poles, 2.0, 6.0);
    const double listHeight = ListHeadingHeight + ListLineHeight * static_cast<double>(day.poles.size());
    const double roomForBars = ContentBottom - listHeight - 3 - 26 - layout.chartTop;
    if (roomForBars / poles >= 2.0)
        layout.barHeight = std::min(layout.barHeight, roomForBars / poles);
    // Its title and the lines' names above the bars, the axis's figures and the legend below them.
    layout.chartBottom = layout.chartTop + 14 + layout.barHeight * poles + 12;
    layout.listTop = layout.chartBottom + 3;
    const double room = ContentBottom - layout.listTop - ListHeadingHeight;
    layout.listRows
        = std::clamp(static_cast<int>(std::floor(room / ListLineHeight + 1e-9)), 0, static_cast<int>(day.poles.size()));
    return layout;
}

} // namespace norvel
