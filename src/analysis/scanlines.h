#pragma once

#include "analysis/crackrun.h"
#include "measure/range.h"

#include <QImage>
#include <QPointF>

#include <array>
#include <optional>
#include <span>

// The automatic analysis of the shown picture: five parallel scan lines 100 view pixels apart across
// the analysis range, each sampled on the full-resolution picture and given its crack run.
namespace norvel {

enum class ScanDirection { Vertical, Horizontal };

// Picture pixels per millimetre for a picture of this width: 185 at exactly 1600, else 91 / 640 of it.
[[nodiscard]] float analysisPxPerMm(int pictureWidth);

// Where the shown picture sits: the scale, the magnification and the range in unmagnified display pixels.
struct ViewGeometry {
    float dspRate = 1;
    float zoom = 1;
    AnalysisRange range;
};

// The fixed picture coordinate of scan line k (0 to 4): a row for horizontal lines, a column for vertical.
[[nodiscard]] qint16 scanLinePosition(int k, ScanDirection direction, const ViewGeometry& view);

// The five lines as placed on a picture of this size: where scanLinePosition puts them when all five lie on
// the picture, else drawn in evenly about the centre so the outer ones lie a few pixels inside its edges. The
// spacing is in picture pixels.
struct ScanLinePlacement {
    std::array<qint16, 5> fixed {};
    double spacing = 0;
};
[[nodiscard]] ScanLinePlacement placeScanLines(ScanDirection direction, const ViewGeometry& view, QSize picture);

// Picture coordinates along every scan line, both ends included, before bounding to the picture.
struct ScanRange {
    qint16 first = 0;
    qint16 last = 0;
};
[[nodiscard]] ScanRange scanRange(ScanDirection direction, const ViewGeometry& view);

// Brightness along a row (horizontal) or column (vertical) of the picture over the scan range, inverted
// when asked. The profile spans the picture's pixels along the line, and the range is bounded to them: no
// point outside the picture is read, so it cannot take part in the threshold. A line off the picture reads
// nothing.
[[nodiscard]] Profile sampleScanLine(
    const QImage& picture, ScanDirection direction, int fixed, ScanRange range, bool invert);

// Brightness at picture points, one per profile position, each read from the nearest pixel.
[[nodiscard]] Profile samplePoints(const QImage& picture, std::span<const QPointF> points, bool invert);

struct ScanLineResult {
    qint16 fixed = 0; // row or column of the line
    LineScan scan;
};

struct AnalysisResult {
    float pxPerMm = 0;
    std::array<ScanLineResult, 5> lines;
};

// The detection of a whole run on the five lines, in order. The picture is the full-resolution one;
// the settings' threshold text is read afresh for each line, so with the automatic threshold on, each
// line's threshold is its own and the last line's text is what remains. A calibrated scale for the
// picture's size replaces the described one. The lines' profiles are handed out when asked for.
[[nodiscard]] AnalysisResult analysePicture(const QImage& picture, ScanDirection direction, const ViewGeometry& view,
    const DetectionSettings& settings, std::optional<float> calibratedPxPerMm = std::nullopt,
    std::array<Profile, 5>* profiles = nullptr);

} // namespace norvel
