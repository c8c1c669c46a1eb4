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

namespace {

// The lines that enter the mean and the mean in pixels, for whole or fractional pixel widths alike; widths of 0
// or less are lines without a crack.
template <typename Sum> struct LineMean {
    int count = 0;
    Sum sum = 0;
    int largestLine = 0;
    int smallestLine = 0;
    std::array<bool, 5> used {};
    std::optional<double> meanPx;
};

template <typename Sum, typename Width> LineMean<Sum> lineMean(const std::array<Width, 5>& widths)
{
    LineMean<Sum> mean;
    Sum largest = widths[0];
    Sum smallest = widths[0]; // 0: no width found yet
    for (int j = 0; j < 5; ++j) {
        const Sum width = widths[static_cast<std::size_t>(j)];
        mean.sum += width;
        if (width <= 0)
            continue;
        ++mean.count;
        if (width > largest) {
            largest = width;
            mean.largestLine = j;
        }
        if (smallest == 0 || smallest > width) {
            smallest = width;
            mean.smallestLine = j;
        }
    }
    if (mean.count < 2)
        return mean;

    const bool trimmed = mean.count >= 4;
    for (int j = 0; j < 5; ++j) {
        const bool excluded = trimmed && (j == mean.largestLine || j == mean.smallestLine);
        mean.used[static_cast<std::size_t>(j)] = widths[static_cast<std::size_t>(j)] > 0 && !excluded;
    }
    mean.meanPx = trimmed ? static_cast<double>(mean.sum - largest - smallest) / (mean.count - 2)
                          : static_cast<double>(mean.sum) / mean.count;
    return mean;
}

} // namespace

WidthSummary summariseWidths(const std::array<qint16, 5>& widths, float pxPerMm)
{
    const LineMean<qint32> mean = lineMean<qint32>(widths);
    WidthSummary summary { mean.count, mean.sum, mean.largestLine, mean.smallestLine, mean.used, std::nullopt };
    if (mean.meanPx)
        summary.combinedMm = static_cast<float>(*mean.meanPx / pxPerMm);
    return summary;
}

FractionalSummary summariseFractionalWidths(const std::array<double, 5>& widths, float pxPerMm)
{
    const LineMean<double> mean = lineMean<double>(widths);
    FractionalSummary summary { mean.used, std::nullopt };
    if (mean.meanPx)
        summary.combinedMm = static_cast<float>(*mean.meanPx / pxPerMm);
    return summary;
}

} // namespace norvel
