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
// How far a run's centre may lie from the path, in widths, beside an allowance for a gently curved crack of a
// quarter of the lines' spacing.
constexpr double PathWidths = 3;
constexpr double CurveAllowance = 0.25;
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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Fit {
    double intercept = 0;
    double slope = 0;
};

// The least-squares line centre = intercept + slope * fixed through the chosen points.
std::optional<Fit> fitLine(const std::array<std::optional<PathPoint>, 5>& points, const std::vector<int>& chosen)
{
    double sf = 0, sc = 0, sff = 0, sfc = 0;
    for (const int k : chosen) {
        const PathPoint& p = *points[static_cast<std::size_t>(k)];
        sf += p.fixed;
        sc += p.centre;
        sff += p.fixed * p.fixed;
        sfc += p.fixed * p.centre;
    }
    const double n = static_cast<double>(chosen.size());
    const double spread = n * sff - sf * sf;
    if (n < 2 || spread <= 0)
        return std::nullopt;
    const double slope = (n * sfc - sf * sc) / spread;
    return Fit { (sc - slope * sf) / n, slope };
}

double distanceFrom(const Fit& fit, const PathPoint& p)
{
    return std::abs(p.centre - (fit.intercept + fit.slope * p.fixed)) / std::hypot(1.0, fit.slope);
}

// Of the lines through two centres, the one the most centres lie near; ties go to the closer fit.
std::vector<int> consensus(
    const std::array<std::optional<PathPoint>, 5>& points, const std::vector<int>& found, double tolerance, Fit& best)
{
    std::vector<int> bestInliers;
    double bestSpread = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        for (std::size_t j = i + 1; j < found.size(); ++j) {
            const std::optional<Fit> pair = fitLine(points, { found[i], found[j] });
            if (!pair)
                continue;
            std::vector<int> inliers;
            double spread = 0;
            for (const int k : found) {
                const double d = distanceFrom(*pair, *points[static_cast<std::size_t>(k)]);
                if (d <= tolerance) {
                    inliers.push_back(k);
                    spread += d * d;
                }
            }
            if (inliers.size() > bestInliers.size() || (inliers.size() == bestInliers.size() && spread < bestSpread)) {
                bestInliers = inliers;
                bestSpread = spread;
                best = *pair;
            }
        }
    }
    return bestInliers;
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

struct Scanned {
    AcrossAnalysis result;
    int kept = 0;
    double angle = 0; // the largest angle of a kept line, in degrees
};

DetectionSettings alongSettings(const DetectionSettings& settings)
{
    DetectionSettings along = settings;
    along.limitText = QString::number(leadingNumber(settings.limitText) * AlongLimitFactor);
    return along;
}

void takePath(AcrossAnalysis& result, const CrackPath& path)
{
    for (std::size_t k = 0; k < 5; ++k) {
        AcrossLine& line = result.lines[k];
        line.kept = path.onPath[k];
        if (line.kept)
            line.angleDegrees = std::atan(path.slope[k]) * 180 / std::numbers::pi;
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
    for (std::size_t k = 0; k < 5; ++k) {
        const ScanLineResult& found = result.analysis.lines[k];
        if (found.scan.run.width <= 0)
            continue;
        AcrossLine& line = result.lines[k];
        line.found = true;
        line.edges = subPixelEdges(profiles[k], found.scan.run, leadingNumber(found.scan.thresholdText));
        points[k] = PathPoint { static_cast<double>(found.fixed), line.centre(), line.along() };
        alongs.push_back(line.along());
    }
    if (alongs.empty())
        return scanned;
    const double spacing = 100.0 / (static_cast<double>(view.dspRate) * view.zoom);
    const CrackPath path = fitCrackPath(points, PathWidths * median(alongs) + CurveAllowance * spacing);
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
    result.used = summary.used;
    result.combinedMm = summary.combinedMm;
    return scanned;
}

} // namespace

RunEdges subPixelEdges(const Profile& profile, const CrackRun& run, double threshold)
{
    const int first = run.start;
    const int last = run.start + run.width - 1;
    RunEdges edges { first - 0.5, last + 0.5 };
    if (run.width <= 0)
        return { double(first), double(first) };
    if (first - 1 >= profile.first)
        edges.start = crossing(profile, first - 1, first, threshold);
    if (last + 1 <= profile.last)
        edges.end = crossing(profile, last + 1, last, threshold);
    return edges;
}

CrackPath fitCrackPath(const std::array<std::optional<PathPoint>, 5>& points, double tolerance)
{
    std::vector<int> found;
    for (int k = 0; k < 5; ++k)
        if (points[static_cast<std::size_t>(k)])
            found.push_back(k);
    std::vector<int> onPath = found;
    Fit fit;
    if (found.size() >= 3) {
        onPath = consensus(points, found, tolerance, fit);
        leaveOutUnlikeWidths(points, onPath);
    }
    CrackPath path;
    path.count = static_cast<int>(onPath.size());
    for (std::size_t i = 0; i < onPath.size(); ++i) {
        const int k = onPath[i];
        path.onPath[static_cast<std::size_t>(k)] = true;
        // The direction here: through this centre and its neighbours on the path.
        std::vector<int> near { k };
        if (i > 0)
            near.insert(near.begin(), onPath[i - 1]);
        if (i + 1 < onPath.size())
            near.push_back(onPath[i + 1]);
        const std::optional<Fit> local = fitLine(points, near);
        path.slope[static_cast<std::size_t>(k)] = local ? local->slope : 0;
    }
    return path;
}

double AcrossLine::across() const
{
    return along() * std::cos(angleDegrees * std::numbers::pi / 180);
}

QLineF acrossSegment(ScanDirection scanned, double fixed, const AcrossLine& line)
{
    // In (fixed, along) coordinates the crack runs along (1, slope); its normal is (-slope, 1), tilted from the
    // line by the angle.
    const double angle = line.angleDegrees * std::numbers::pi / 180;
    const double half = line.across() / 2;
    const double dFixed = -std::sin(angle) * half;
    const double dAlong = std::cos(angle) * half;
    const double centre = line.centre();
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
