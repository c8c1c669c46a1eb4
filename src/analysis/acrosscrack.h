#pragma once

#include "analysis/scanlines.h"

#include <QLineF>

#include <array>
#include <optional>
#include <vector>

// The width across the crack rather than along the scan lines. The five lines' runs are found as the
// automatic analysis finds them; their edges are then placed to a fraction of a pixel, their centres give the
// crack's path, lines off that path are left out, and each run is turned across the crack by the cosine of the
// angle between the crack's normal and its line. A crack the lines run along is measured in the other direction.
namespace norvel {

// A run's edges as positions along the line: the run covers start..end, so a run of whole pixels from p to q with
// sharp edges reads p - 0.5 .. q + 0.5. Each edge is where the brightness is halfway between the run's darkest
// and the concrete just beside it on that side, interpolated between pixels: a blurred edge is then placed where
// the crack's own edge lies whatever threshold found the run, which only decides which pixels make it up.
struct RunEdges {
    double start = 0;
    double end = 0;
};
[[nodiscard]] RunEdges subPixelEdges(const Profile& profile, const CrackRun& run);

// A run's centre on its line, in picture pixels: the line's fixed coordinate, the centre along it and the run's
// length along it.
struct PathPoint {
    double fixed = 0;
    double centre = 0;
    double along = 0;
};

// The crack's path through the run centres: of the straight lines and gentle circles through three centres, the
// one the centres lie closest to. Lines whose centre lies farther from it than the tolerance, or whose run is
// more than twice or less than half the others' median, are off it. slope is the path's direction at each line
// on it (centre per fixed pixel), from the chords to its neighbours on the path, so a curved crack is followed.
struct CrackPath {
    std::array<bool, 5> onPath {};
    std::array<double, 5> slope {};
    int count = 0;
};
[[nodiscard]] CrackPath fitCrackPath(const std::array<std::optional<PathPoint>, 5>& points, double tolerance);

// One scan line measured across the crack.
struct AcrossLine {
    bool found = false; // the line has a crack run
    bool cut = false; // the run reaches an end of the line, so the crack may go on past it: not kept
    bool kept = false; // on the crack's path
    RunEdges edges; // along the line, sub-pixel
    // Between the crack's normal and the line, positive when the crack moves forward along the lines as their
    // fixed coordinate grows: the mean of its two edges' where the line crosses them.
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
