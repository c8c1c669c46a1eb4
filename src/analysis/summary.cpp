#include "analysis/summary.h"

#include "analysis/scanlines.h"
#include "core/numbers.h"

namespace norvel {

qint16 rulerStep(float pxPerMm, float dspRate, float zoom)
{
    const double pixelsPerMm = static_cast<double>(pxPerMm) * dspRate;
    return zoom == 1.0f ? nearest(pixelsPerMm / 10) : nearest(pixelsPerMm * zoom / 100);
}

std::vector<QLineF> rulerTicks(
    ScanDirection direction, float pxPerMm, const ViewGeometry& view, double boxWidth, double boxHeight)
{
    std::vector<QLineF> ticks;
    const int step = rulerStep(pxPerMm, view.dspRate, view.zoom);
    // A step of 0 would never reach the end of the ruler.
    if (step < 1)
        return ticks;
    const bool horizontal = direction == ScanDirection::Horizontal;
    const int end = nearest(horizontal ? boxWidth : boxHeight);
    for (int j = 0, at = 5; at <= end; ++j, at += step) {
        if (horizontal) {
            const int length = j % 5 == 0 && j % 10 != 0 ? 20 : 10;
            ticks.emplace_back(at, 4, at, 4 + length);
        } else {
            const int length = j % 10 == 0 ? 30 : j % 5 == 0 ? 20 : 10;
            ticks.emplace_back(0, at, length, at);
        }
    }
    return ticks;
}

QString millimetreLabel(float mm)
{
    return fixedText(mm, 3) + QStringLiteral("mm");
}

RunMark runMark(ScanDirection direction, qint16 fixed, const CrackRun& run, const ViewGeometry& view)
{
    const ViewMapping mapping { view.dspRate, view.zoom, view.range.x[0], view.range.y[0] };
    const double length = static_cast<double>(run.width) * view.dspRate * view.zoom;
    if (direction == ScanDirection::Horizontal) {
        const QPointF start = imageToView(mapping, QPointF(run.start, fixed));
        return { QLineF(start, start + QPointF(length, 0)), start + QPointF(length / 2, 5) };
    }
    const QPointF start = imageToView(mapping, QPointF(fixed, run.start));
    return { QLineF(start, start + QPointF(0, length)), start + QPointF(5, length / 2) };
}

WidthSummary summariseWidths(const std::array<qint16, 5>& widths, float pxPerMm)
{
    WidthSummary summary;
    qint32 largest = widths[0];
    qint32 smallest = widths[0]; // 0: no width found yet
    for (int j = 0; j < 5; ++j) {
        const qint32 width = widths[static_cast<std::size_t>(j)];
        summary.sum += width;
        if (width <= 0)
            continue;
        ++summary.count;
        if (width > largest) {
            largest = width;
            summary.largestLine = j;
        }
        if (smallest == 0 || smallest > width) {
            smallest = width;
            summary.smallestLine = j;
        }
    }
    if (summary.count < 2)
        return summary;

    const bool trimmed = summary.count >= 4;
    for (int j = 0; j < 5; ++j) {
        const bool excluded = trimmed && (j == summary.largestLine || j == summary.smallestLine);
        summary.used[static_cast<std::size_t>(j)] = widths[static_cast<std::size_t>(j)] > 0 && !excluded;
    }
    const double meanPx = trimmed ? static_cast<double>(summary.sum - largest - smallest) / (summary.count - 2)
                                  : static_cast<double>(summary.sum) / summary.count;
    summary.combinedMm = static_cast<float>(meanPx / pxPerMm);
    return summary;
}

} // namespace norvel
