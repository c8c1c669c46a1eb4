#pragma once

#include "analysis/crackrun.h"

#include <QImage>
#include <QPointF>
#include <QRgb>

#include <array>
#include <limits>
#include <optional>
#include <span>
#include <vector>

// Finding a crack as a dark ridge rather than as any dark run: a crack runs on beyond the line that crosses it, a
// void, a speck or a dark grain does not. Everything here is in the scan lines' own coordinates: fixed (the row or
// column of a line) and along (the position on it).
namespace norvel {

enum class ScanDirection;

// The picture's brightness in line coordinates, inverted for the methods on inverted brightness. The picture must
// outlive the plane.
class LinePlane {
public:
    LinePlane(const QImage& picture, ScanDirection direction, bool invert);
    [[nodiscard]] int fixedSize() const { return m_fixedSize; }
    [[nodiscard]] int alongSize() const { return m_alongSize; }
    [[nodiscard]] qint16 at(int fixed, int along) const
    {
        const int x = m_vertical ? fixed : along;
        const int y = m_vertical ? along : fixed;
        const QRgb rgb = reinterpret_cast<const QRgb*>(m_bits + y * m_bytesPerLine)[x];
        const qint16 v = (*m_table)[static_cast<std::size_t>(qRed(rgb) + qGreen(rgb) + qBlue(rgb))];
        return m_invert ? static_cast<qint16>(100 - v) : v;
    }
    // Asks for the pixels from first to last at fixed to be fetched into the cache ahead of reading them: along a
    // column each pixel lies on a line of memory of its own.
    void prefetch(int fixed, int first, int last) const
    {
        for (int along = first; along <= last; ++along) {
            const int x = m_vertical ? fixed : along;
            const int y = m_vertical ? along : fixed;
            __builtin_prefetch(m_bits + y * m_bytesPerLine + qsizetype(x) * 4);
        }
    }
    [[nodiscard]] const QImage& picture() const { return m_picture; }

private:
    QImage m_picture;
    const uchar* m_bits;
    qsizetype m_bytesPerLine;
    const std::array<qint16, 766>* m_table;
    bool m_vertical;
    bool m_invert;
    int m_fixedSize;
    int m_alongSize;
};

// A dark valley on a scan line that may be where the crack crosses it.
struct Crossing {
    CrackRun run; // the whole pixels darker than its threshold
    double threshold = 0; // the mean of the two sides' thresholds
    double concrete = 0; // the lower of the concrete levels on its two sides
    double core = 0; // its darkest three-pixel mean
    bool cut = false; // reaches an end of the line, so the crack may go on past it
    bool noisy = false; // its line's noise is more than a level or so: its edges are placed on a smoothed profile
};

struct CrossingRules {
    // The typed threshold, where not automatic: it decides a valley's pixels wherever it lies well between the
    // valley's core and the concrete on both sides, so a threshold the inspector set keeps its meaning. Where not
    // (wet, dark concrete below it; a faint crack above it) each side's threshold lies midway between that side's
    // concrete and the core.
    std::optional<double> typedThreshold;
    double maxAlongPx = std::numeric_limits<double>::infinity(); // longer runs are no crack
};

// The dark valleys on a line whose core lies clearly below the concrete on both sides: by MinCrackContrast levels
// at least, and by more where the line is noisy. Ordered along the line.
[[nodiscard]] std::vector<Crossing> findCrossings(const Profile& profile, const CrossingRules& rules);

// A run's edges as positions along the line: the run covers start..end, so a run of whole pixels from p to q with
// sharp edges reads p - 0.5 .. q + 0.5. Each edge is where the brightness is halfway between the run's darkest
// and the concrete just beside it on that side, interpolated between pixels: a blurred edge is then placed where
// the crack's own edge lies whatever threshold found the run, which only decides which pixels make it up.
struct RunEdges {
    double start = 0;
    double end = 0;
};
[[nodiscard]] RunEdges subPixelEdges(const Profile& profile, const CrackRun& run);

// Where the ridge was found at one fixed coordinate: its edges along the line, sub-pixel.
struct RidgeStep {
    double fixed = 0;
    double start = 0;
    double end = 0;
    bool whole = true; // both edges were seen: the ridge lies clear of the picture's edge here
    [[nodiscard]] double centre() const { return (start + end) / 2; }
};

// The ridge followed one way from a crossing, in order outward.
struct RidgeTrace {
    std::vector<RidgeStep> steps;
    bool reachedEdge = false; // ran out of the picture while still on the ridge
    [[nodiscard]] double extent(double fromFixed) const;
};

struct RidgeStart {
    double fixed = 0;
    double start = 0; // the crossing's edges along its line
    double end = 0;
    double level = 0; // brightness below which a pixel belongs to the ridge
    bool noisy = false; // each step is smoothed along the line before the ridge is looked for in it
};

// The profile smoothed by 1-2-1 along the line, to the nearest level: on a noisy line a pixel of noise neither ends a
// faint crack's run nor places its edge, and a sharp edge stays where it was.
[[nodiscard]] Profile smoothed(const Profile& profile);

// The ridge followed from a crossing towards growing (+1) or shrinking (-1) fixed coordinates, for at most `reach`
// pixels of fixed coordinate. The ridge's course is predicted from the steps behind, so a crack bending gently is
// followed; short gaps are bridged, and the following ends where the ridge is lost or spreads into a dark area.
[[nodiscard]] RidgeTrace followRidge(const LinePlane& plane, const RidgeStart& from, int step, double reach);

// The slope (along per fixed) of points near `at` by least squares, and how far they lie from the line fitted.
struct LocalFit {
    double slope = 0;
    double residual = 0;
    int count = 0;
};
[[nodiscard]] LocalFit fitNear(std::span<const QPointF> points, double at, double halfWidth);
// The same with a parabola, for the slope at `at` of a curving course sampled unevenly about it.
[[nodiscard]] LocalFit fitCurveNear(std::span<const QPointF> points, double at, double halfWidth);

} // namespace norvel
