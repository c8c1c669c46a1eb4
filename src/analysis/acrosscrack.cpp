#include "analysis/acrosscrack.h"

#include "analysis/summary.h"
#include "core/numbers.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace norvel {

namespace {

// Runs are chosen with the width limit widened by this factor, since a crack at up to about 66° to the lines
// runs that much longer along them than across; the limit then applies to the width across.
constexpr double AlongLimitFactor = 2.5;
// Past this angle between the crack's normal and the lines, they run nearly along the crack.
constexpr double NearlyAlongDegrees = 55;
// How far a run's centre may lie from the path: a width, and a tenth of the lines' spacing for a crack that
// wanders off a smooth curve.
constexpr double PathWidths = 1;
constexpr double Waviness = 0.1;
// The tightest bend of a crack followed, as the radius in lines' spacings: twice the five lines' span, over which
// the crack turns by up to 29 degrees.
constexpr double MinRadiusSpacings = 8;
// A run more than this many times wider or narrower than the others' median is not the same crack.
constexpr double WidthRatio = 2;

double valueAt(const Profile& profile, int position)
{
    return profile.values[static_cast<std::size_t>(position)];
}

// Where the brightness reaches the threshold between a position outside the run and its neighbour inside.
double crossing(const Profile& profile, int outside, int inside, double threshold)
{
    const double out = valueAt(profile, outside);
    const double in = valueAt(profile, inside);
    const double t = out > in ? (out - threshold) / (out - in) : 0.5;
    return outside + (inside - outside) * std::clamp(t, 0.0, 1.0);
}

// How far beside a run the concrete is looked for: past a blurred edge, near enough to be the same concrete.
constexpr int GroundReach = 6;

// The edge of a run on the side of its end pixel `edge` (step -1: before the run, +1: after it), where the
// brightness is halfway between the run's darkest and the brightest concrete within reach beside it; `other` is
// the run's opposite end pixel. A run at the end of its line ends half a pixel past its last pixel.
double edgeBeside(const Profile& profile, int edge, int other, int step, qint16 darkest)
{
    const int reachEnd
        = step < 0 ? std::max(profile.first, edge - GroundReach) : std::min(profile.last, edge + GroundReach);
    if ((reachEnd - edge) * step <= 0)
        return edge + step * 0.5;
    double ground = 0;
    for (int p = edge + step; (reachEnd - p) * step >= 0; p += step)
        ground = std::max(ground, valueAt(profile, p));
    const double level = (ground + darkest) / 2;
    // Outward while the pixels beside the run are still darker than the level: a blurred crack spreads past it.
    int outside = edge + step;
    while (valueAt(profile, outside) < level)
        outside += step;
    if (outside != edge + step)
        return crossing(profile, outside, outside - step, level);
    // Inward while the run's pixels are still lighter than the level: a threshold below the middle of the edge.
    int inside = edge;
    while (inside != other && valueAt(profile, inside) >= level)
        inside -= step;
    return crossing(profile, inside + step, inside, level);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QPointF centreOf(const std::array<std::optional<PathPoint>, 5>& points, int k)
{
    const PathPoint& p = *points[static_cast<std::size_t>(k)];
    return { p.fixed, p.centre };
}

double cross(QPointF a, QPointF b)
{
    return a.x() * b.y() - a.y() * b.x();
}

double length(QPointF v)
{
    return std::hypot(v.x(), v.y());
}

// A trial path in (fixed, along) coordinates: a straight line, or a circle.
struct Track {
    bool straight = true;
    QPointF origin; // a point of the line, or the circle's centre
    QPointF direction; // of the line, unit
    double radius = 0;

    [[nodiscard]] double distance(QPointF p) const
    {
        return straight ? std::abs(cross(direction, p - origin)) : std::abs(length(p - origin) - radius);
    }
};

Track lineThrough(QPointF a, QPointF b)
{
    return { true, a, (b - a) / length(b - a), 0 };
}

// The circle through three centres, or the line through the outer two where they lie on one; none where the
// circle is tighter than a crack bends across the lines.
std::optional<Track> circleThrough(QPointF a, QPointF b, QPointF c, double minRadius)
{
    const QPointF ab = b - a;
    const QPointF ac = c - a;
    const double twice = 2 * cross(ab, ac);
    const double sides = length(ab) * length(ac) * length(c - b);
    if (std::abs(twice) * 1e6 * minRadius <= sides)
        return lineThrough(a, c);
    const double radius = sides / std::abs(twice);
    if (radius < minRadius)
        return std::nullopt;
    const double ab2 = ab.x() * ab.x() + ab.y() * ab.y();
    const double ac2 = ac.x() * ac.x() + ac.y() * ac.y();
    const QPointF centre = a + QPointF(ac.y() * ab2 - ab.y() * ac2, ab.x() * ac2 - ac.x() * ab2) / twice;
    return Track { false, centre, {}, radius };
}

struct Consensus {
    std::optional<double> cost;
    double bend = 0;
    std::vector<int> inliers;

    // The track the centres lie closest to, each counting at most as much as one off it, so that a track passing
    // a little off several centres loses to one through all but an outlier; of tracks alike, the straightest, as a
    // crack runs as straight as its centres allow.
    void consider(const Track& track, const std::array<std::optional<PathPoint>, 5>& points,
        const std::vector<int>& found, double tolerance)
    {
        const double cap = tolerance * tolerance;
        std::vector<int> near;
        double sum = 0;
        for (const int k : found) {
            const double d = track.distance(centreOf(points, k));
            sum += std::min(d * d, cap);
            if (d <= tolerance)
                near.push_back(k);
        }
        const double curvature = track.straight ? 0 : 1 / track.radius;
        const double alike = 1e-6 * cap;
        if (!cost || sum < *cost - alike || (sum <= *cost + alike && curvature < bend)) {
            cost = sum;
            bend = curvature;
            inliers = near;
        }
    }
};

// Of the circles through three centres, the one the centres lie closest to: a crack may bend gently across the
// lines, and a straight line through two would leave out the far ends of a curved one. Where no three centres
// make a gentle enough circle, the lines through two are tried instead.
std::vector<int> consensus(const std::array<std::optional<PathPoint>, 5>& points, const std::vector<int>& found,
    double tolerance, double minRadius)
{
    Consensus best;
    const std::size_t n = found.size();
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            for (std::size_t l = j + 1; l < n; ++l)
                if (const std::optional<Track> track = circleThrough(
                        centreOf(points, found[i]), centreOf(points, found[j]), centreOf(points, found[l]), minRadius))
                    best.consider(*track, points, found, tolerance);
    if (best.cost)
        return best.inliers;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            best.consider(
                lineThrough(centreOf(points, found[i]), centreOf(points, found[j])), points, found, tolerance);
    return best.inliers;
}

// Lines on the path whose width across it is unlike the others' are left out, as long as two remain.
void leaveOutUnlikeWidths(const std::array<std::optional<PathPoint>, 5>& points, std::vector<int>& onPath)
{
    if (onPath.size() < 3)
        return;
    std::vector<double> widths;
    for (const int k : onPath)
        widths.push_back(points[static_cast<std::size_t>(k)]->along);
    const double typical = median(widths);
    std::vector<int> like;
    for (const int k : onPath) {
        const double along = points[static_cast<std::size_t>(k)]->along;
        if (along <= typical * WidthRatio && along * WidthRatio >= typical)
            like.push_back(k);
    }
    // The ratio is the same along the lines as across them, the path being straight enough here.
    if (like.size() >= 2)
        onPath = like;
}

// The direction at each of a curve's points, in radians from the fixed axis; the points are (fixed, along) and in
// order. The chord between two neighbours points along the curve halfway between them, so with the turn per pixel
// taken from successive chords a curve of even curvature is followed exactly, ends included: fitting position
// against fixed coordinate would not, as a curve's slope changes unevenly with its direction.
std::vector<double> curveAngles(const std::vector<QPointF>& curve)
{
    const std::size_t n = curve.size();
    std::vector<double> chordAngle;
    std::vector<double> chordLength;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const QPointF chord = curve[i + 1] - curve[i];
        chordAngle.push_back(std::atan2(chord.y(), chord.x()));
        chordLength.push_back(std::hypot(chord.x(), chord.y()));
    }
    std::vector<double> angles(n, 0.0);
    if (n == 2)
        angles = { chordAngle[0], chordAngle[0] };
    if (n < 3)
        return angles;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double before = chordLength[i - 1];
        const double after = chordLength[i];
        angles[i] = (after * chordAngle[i - 1] + before * chordAngle[i]) / (before + after);
    }
    const auto turn = [&](std::size_t c) {
        return (chordAngle[c + 1] - chordAngle[c]) / ((chordLength[c] + chordLength[c + 1]) / 2);
    };
    angles[0] = chordAngle[0] - turn(0) * chordLength[0] / 2;
    angles[n - 1] = chordAngle[n - 2] + turn(n - 3) * chordLength[n - 2] / 2;
    return angles;
}

// A run that reaches either end of the line, or the picture's edge, may be the part of a crack that shows.
bool reachesEnd(const Profile& profile, const CrackRun& run, int lineLength)
{
    const int last = run.start + run.width - 1;
    return run.start <= profile.first || last >= std::min(profile.last, lineLength - 1);
}

struct Scanned {
    AcrossAnalysis result;
    int kept = 0;
    double angle = 0; // the largest angle of a kept line, in degrees
};

DetectionSettings alongSettings(const DetectionSettings& settings)
{
    DetectionSettings along = settings;
    along.limitText = QString::number(leadingNumber(settings.limitText) * AlongLimitFactor);
    // Low-contrast and wet, dark concrete: the threshold from the concrete's level, not from a bright speck.
    along.autoFrom = AutoThreshold::Levels;
    return along;
}

double degrees(double radians)
{
    return radians * 180 / std::numbers::pi;
}

// Each kept line's angle from the directions of the crack's two edges where it crosses them, rather than from the
// path of the run centres: on a wide curved crack the centre of a run lies off the centreline, and the edges,
// unlike the centreline, are where the run was measured.
void takePath(AcrossAnalysis& result, const CrackPath& path)
{
    std::vector<QPointF> starts;
    std::vector<QPointF> ends;
    std::vector<std::size_t> kept;
    for (std::size_t k = 0; k < 5; ++k) {
        AcrossLine& line = result.lines[k];
        line.kept = path.onPath[k];
        if (!line.kept)
            continue;
        const double fixed = result.analysis.lines[k].fixed;
        starts.emplace_back(fixed, line.edges.start);
        ends.emplace_back(fixed, line.edges.end);
        kept.push_back(k);
    }
    const std::vector<double> startAngles = curveAngles(starts);
    const std::vector<double> endAngles = curveAngles(ends);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        AcrossLine& line = result.lines[kept[i]];
        line.angleDegrees = degrees((startAngles[i] + endAngles[i]) / 2);
        line.spreadDegrees = degrees(endAngles[i] - startAngles[i]);
    }
}

Scanned scan(const QImage& picture, ScanDirection direction, const ViewGeometry& view,
    const DetectionSettings& settings, std::optional<float> calibratedPxPerMm)
{
    Scanned scanned;
    AcrossAnalysis& result = scanned.result;
    result.scanned = direction;
    std::array<Profile, 5> profiles;
    result.analysis = analysePicture(picture, direction, view, alongSettings(settings), calibratedPxPerMm, &profiles);
    std::array<std::optional<PathPoint>, 5> points;
    std::vector<double> alongs;
    const int lineLength = direction == ScanDirection::Vertical ? picture.height() : picture.width();
    for (std::size_t k = 0; k < 5; ++k) {
        const ScanLineResult& found = result.analysis.lines[k];
        // A line whose only run the picture's edge cuts shows it, left out.
        const bool chosen = found.scan.run.width > 0;
        const CrackRun& run = chosen ? found.scan.run : found.scan.leftOut;
        if (run.width <= 0)
            continue;
        AcrossLine& line = result.lines[k];
        line.found = true;
        line.edges = subPixelEdges(profiles[k], run);
        line.cut = !chosen || reachesEnd(profiles[k], run, lineLength);
        if (line.cut)
            continue;
        points[k] = PathPoint { static_cast<double>(found.fixed), line.centre(), line.along() };
        alongs.push_back(line.along());
    }
    if (alongs.empty())
        return scanned;
    const double spacing = placeScanLines(direction, view, picture.size()).spacing;
    const CrackPath path = fitCrackPath(points, PathWidths * median(alongs) + Waviness * spacing);
    takePath(result, path);

    // The width limit, widened for the choice of runs, holds for the width across, to the pixel.
    const double limitPx = leadingNumber(settings.limitText) * result.analysis.pxPerMm;
    std::array<double, 5> widths {};
    for (std::size_t k = 0; k < 5; ++k) {
        AcrossLine& line = result.lines[k];
        if (line.kept && settings.limitInForce && line.across() > limitPx + 1)
            line.kept = false;
        if (!line.kept)
            continue;
        widths[k] = line.across();
        ++scanned.kept;
        scanned.angle = std::max(scanned.angle, std::abs(line.angleDegrees));
    }
    const FractionalSummary summary = summariseFractionalWidths(widths, result.analysis.pxPerMm);
    // A width that shows as 0.00 is noise, not a crack: none is listed, as when no crack is found.
    if (summary.combinedMm && fixedText(*summary.combinedMm, 2) == fixedText(0, 2))
        return scanned;
    result.used = summary.used;
    result.combinedMm = summary.combinedMm;
    return scanned;
}

} // namespace

RunEdges subPixelEdges(const Profile& profile, const CrackRun& run)
{
    const int first = run.start;
    const int last = run.start + run.width - 1;
    if (run.width <= 0)
        return { double(first), double(first) };
    qint16 darkest = profile.values[static_cast<std::size_t>(first)];
    for (int p = first + 1; p <= last; ++p)
        darkest = std::min(darkest, profile.values[static_cast<std::size_t>(p)]);
    return { edgeBeside(profile, first, last, -1, darkest), edgeBeside(profile, last, first, +1, darkest) };
}

CrackPath fitCrackPath(const std::array<std::optional<PathPoint>, 5>& points, double tolerance)
{
    std::vector<int> found;
    for (int k = 0; k < 5; ++k)
        if (points[static_cast<std::size_t>(k)])
            found.push_back(k);
    std::vector<int> onPath = found;
    if (found.size() >= 3) {
        // The lines are evenly spaced.
        const double spacing = (points[static_cast<std::size_t>(found.back())]->fixed
                                   - points[static_cast<std::size_t>(found.front())]->fixed)
            / (found.back() - found.front());
        onPath = consensus(points, found, tolerance, MinRadiusSpacings * std::abs(spacing));
        leaveOutUnlikeWidths(points, onPath);
    }
    CrackPath path;
    path.count = static_cast<int>(onPath.size());
    for (const int k : onPath)
        path.onPath[static_cast<std::size_t>(k)] = true;
    std::vector<QPointF> centres;
    for (const int k : onPath)
        centres.emplace_back(points[static_cast<std::size_t>(k)]->fixed, points[static_cast<std::size_t>(k)]->centre);
    const std::vector<double> angles = curveAngles(centres);
    for (std::size_t i = 0; i < onPath.size(); ++i)
        path.slope[static_cast<std::size_t>(onPath[i])] = std::tan(angles[i]);
    return path;
}

// Where the edges are arcs about one centre, a line crossing them at angles a and b runs between them for
// width * cos((b - a) / 2) / cos((a + b) / 2): exact for a circular crack, the plain cosine for a straight one.
double AcrossLine::across() const
{
    const double half = spreadDegrees * std::numbers::pi / 360;
    return along() * std::cos(angleDegrees * std::numbers::pi / 180) / std::cos(half);
}

QLineF acrossSegment(ScanDirection scanned, double fixed, const AcrossLine& line)
{
    // In (fixed, along) coordinates the crack runs along (1, slope); its normal is (-slope, 1), tilted from the
    // line by the angle.
    const double angle = line.angleDegrees * std::numbers::pi / 180;
    const double half = line.across() / 2;
    const double dFixed = -std::sin(angle) * half;
    const double dAlong = std::cos(angle) * half;
    // On a curved crack the run's middle lies off the centreline, by width * spread * sin a / (8 cos² a) along the
    // line for edges on concentric circles; the mark is centred on the centreline, to span the crack edge to edge.
    const double spread = line.spreadDegrees * std::numbers::pi / 180;
    const double centre
        = line.centre() - line.across() * spread * std::sin(angle) / (8 * std::cos(angle) * std::cos(angle));
    if (scanned == ScanDirection::Horizontal)
        return QLineF(centre - dAlong, fixed - dFixed, centre + dAlong, fixed + dFixed);
    return QLineF(fixed - dFixed, centre - dAlong, fixed + dFixed, centre + dAlong);
}

AcrossAnalysis analyseAcross(const QImage& picture, ScanDirection inForce, const ViewGeometry& view,
    const DetectionSettings& settings, std::optional<float> calibratedPxPerMm)
{
    Scanned first = scan(picture, inForce, view, settings, calibratedPxPerMm);
    if (first.kept >= 3 && first.angle <= NearlyAlongDegrees)
        return first.result;
    const ScanDirection other
        = inForce == ScanDirection::Vertical ? ScanDirection::Horizontal : ScanDirection::Vertical;
    Scanned second = scan(picture, other, view, settings, calibratedPxPerMm);
    if (second.kept >= 3 && (first.kept < 3 || second.angle < first.angle)) {
        second.result.otherDirection = true;
        return second.result;
    }
    return first.result;
}

} // namespace norvel
