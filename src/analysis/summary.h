#pragma once

#include <QLineF>
#include <QPointF>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>
#include <vector>

// What an analysis run shows: the millimetre ruler, the mark and label on each line that found a
// crack, and the combined width of the five lines.
namespace norvel {

enum class ScanDirection;
struct CrackRun;
struct ViewGeometry;

// Ruler ticks in view pixels: tenths of a millimetre at the full view, hundredths when magnified,
// starting 5 pixels in and running up to and including the picture box's rounded width (horizontal
// lines) or height (vertical). Empty when the step rounds to 0.
[[nodiscard]] qint16 rulerStep(float pxPerMm, float dspRate, float zoom);
[[nodiscard]] std::vector<QLineF> rulerTicks(
    ScanDirection direction, float pxPerMm, const ViewGeometry& view, double boxWidth, double boxHeight);

// A width in millimetres as printed on the picture: "0.352mm".
[[nodiscard]] QString millimetreLabel(float mm);

// The marker over a found run and where its label's top left corner goes, in view pixels.
struct RunMark {
    QLineF line;
    QPointF labelTopLeft;
};
[[nodiscard]] RunMark runMark(ScanDirection direction, qint16 fixed, const CrackRun& run, const ViewGeometry& view);

// The five lines combined. With 2 or 3 lines the plain mean; with 4 or 5 the mean without the widest
// and the narrowest line (ties keep the first line found). Fewer than 2 lines give no width.
struct WidthSummary {
    int count = 0;
    qint32 sum = 0;
    int largestLine = 0;
    int smallestLine = 0;
    std::array<bool, 5> used {};
    std::optional<float> combinedMm;
};
[[nodiscard]] WidthSummary summariseWidths(const std::array<qint16, 5>& widths, float pxPerMm);

// The same rule over widths measured to a fraction of a pixel; 0 is a line left out.
struct FractionalSummary {
    std::array<bool, 5> used {};
    std::optional<float> combinedMm;
};
[[nodiscard]] FractionalSummary summariseFractionalWidths(const std::array<double, 5>& widths, float pxPerMm);

} // namespace norvel
