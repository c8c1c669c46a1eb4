#include "app/widestplace.h"

#include "analysis/acrosscrack.h"
#include "core/numbers.h"
#include "measure/range.h"

namespace norvel {

std::optional<RecordedWidest> recordedWidest(const AcrossAnalysis& analysis)
{
    const float pxPerMm = analysis.analysis.pxPerMm;
    if (!analysis.widest || !analysis.combinedMm || !(pxPerMm > 0))
        return std::nullopt;
    // Through the text, so that the figure kept is the one printed.
    const std::optional<double> mm = exactNumber<double>(fixedText(analysis.widest->widthPx / pxPerMm, 2));
    if (!mm)
        return std::nullopt;
    return RecordedWidest { *mm, analysis.widest->across };
}

WidestMark widestMark(const RecordedWidest& widest, const ViewGeometry& view)
{
    const ViewMapping mapping { view.dspRate, view.zoom, view.range.x[0], view.range.y[0] };
    const QLineF line(imageToView(mapping, widest.across.p1()), imageToView(mapping, widest.across.p2()));
    return { line, line.p2() + QPointF(5, 5) };
}

} // namespace norvel
