#pragma once

#include "analysis/crackridge.h"
#include "analysis/scanlines.h"

#include <QLineF>

#include <array>
#include <optional>
#include <vector>

// The width across the crack rather than along the scan lines. On each of the five lines every dark valley is a
// candidate; only those where a dark ridge runs on beyond the line both ways are crossings of a crack, and of the
// ridges they lie on, the one through the most lines is the crack. Each of its crossings is placed to a fraction of
// a pixel and turned across the crack by the angle of the crack's own edges beside the line, and the crack is
// measured along its whole course for its widest place. A crack the lines run along is measured in the other
// direction.
namespace norvel {

// One scan line measured across the crack.
struct AcrossLine {
    bool found = false; // the line has a crack run
    bool cut = false; // the run reaches an end of the line, so the crack may go on past it: not kept
    bool kept = false; // on the crack's path, and measured
    RunEdges edges; // along the line, sub-pixel
    // Between the crack's normal and the line, positive when the crack moves forward along the lines as their
    // fixed coordinate grows: the mean of its two edges' beside the line.
    double angleDegrees = 0;
    double spreadDegrees = 0; // the end edge's angle less the start edge's: 0 where the crack runs straight
    [[nodiscard]] double along() const { return edges.end - edges.start; }
    [[nodiscard]] double centre() const { return (edges.start + edges.end) / 2; }
    [[nodiscard]] double across() const;
};

// The mark of a kept line in picture pixels: across the crack, along its normal, centred on the run's middle or,
// on a curved crack, on the centreline beside it.
[[nodiscard]] QLineF acrossSegment(ScanDirection scanned, double fixed, const AcrossLine& line);

// The widest place along the followed crack: its width across and the mark across it, edge to edge, in picture
// pixels. Inspectors file a crack's maximum width; the listed width stays the mean of the kept lines.
struct WidestStation {
    double widthPx = 0;
    QLineF across;
};

struct AcrossAnalysis {
    ScanDirection scanned = ScanDirection::Vertical;
    bool otherDirection = false; // scanned is not the direction in force
    AnalysisResult analysis; // the runs as found in the direction scanned
    std::array<AcrossLine, 5> lines;
    std::array<bool, 5> used {}; // the kept lines the combined width is the mean of
    std::optional<float> combinedMm; // none when no line is kept, or when it would show as 0.00 (noise)
    std::vector<QPointF> path; // the crack as followed, in picture pixels and in order; empty when none was found
    std::optional<WidestStation> widest; // along the followed crack, only where a width is listed
};

// The analysis of the shown picture across the crack, with the same picture, view, settings and scale as the
// automatic analysis.
[[nodiscard]] AcrossAnalysis analyseAcross(const QImage& picture, ScanDirection inForce, const ViewGeometry& view,
    const DetectionSettings& settings, std::optional<float> calibratedPxPerMm = std::nullopt);

} // namespace norvel
