#include "analysis/acrosscrack.h"

#include "analysis/summary.h"
#include "core/numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <span>
#include <vector>

namespace norvel {

namespace {

// Runs are chosen with the width limit widened by this factor, since a crack at up to about 66° to the lines
// runs that much longer along them than across; the limit then applies to the width across.
constexpr double AlongLimitFactor = 2.5;
// Past this angle between the crack's normal and the lines, they run nearly along the crack.
constexpr double NearlyAlongDegrees = 55;
// Past this angle a single line runs too nearly along the crack to be measured.
constexpr double SteepLineDegrees = 70;
// Widths this close, measured in the two directions, are of one crack.
constexpr float SameCrackShare = 0.15f;
// A run more than this many times wider or narrower than the others' median is not the same crack.
constexpr double WidthRatio = 2;
// A valley is a crossing of a crack only where its ridge runs on both ways for this many of its widths, and this
// many pixels: a void, a speck or a grain ends within its own width.
constexpr double RidgeWidths = 2;
constexpr double MinRidgePx = 8;
// Where the two halves of a ridge turn more than this at the line, two dark things meet there, not one crack.
constexpr double MaxTurnDegrees = 60;
// How far a ridge is followed towards the other lines, in spacings: just past the next line. Where the next line
// misses the crack, its course leads on to the one after.
constexpr double LinkSpacings = 1.2;
// Stations where the crack's course turns more than this within a width are in a bend.
constexpr double MaxBendDegrees = 10;
// A crossing this much wider than the crack beside it is a void on the crack.
constexpr double VoidRatio = 1.4;
// The fewest crossings that make a crack.
constexpr int MinCrossings = 3;
// A course between two crossings lies within this share of the lines' spacing of the chord between them.
constexpr double ChordShare = 0.25;
// The width is measured along the crack this often.
constexpr double StationMm = 0.05;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double degrees(double radians)
{
    return radians * 180 / std::numbers::pi;
}

struct Candidate {
    int line = 0;
    double fixed = 0;
    Crossing crossing;
    RunEdges edges;
    RidgeTrace before; // towards smaller fixed coordinates
    RidgeTrace after;
    bool ridge = false;
    double across = 0; // the run turned across by its ridge's course, to rank cracks by
    [[nodiscard]] double along() const { return edges.end - edges.start; }
    [[nodiscard]] double centre() const { return (edges.start + edges.end) / 2; }
    [[nodiscard]] RidgeStep own() const { return { fixed, edges.start, edges.end, true }; }
};

// The crossing and its traces in order of the fixed coordinate.
std::vector<RidgeStep> courseOf(const Candidate& c)
{
    std::vector<RidgeStep> course(c.before.steps.rbegin(), c.before.steps.rend());
    course.push_back(c.own());
    course.insert(course.end(), c.after.steps.begin(), c.after.steps.end());
    return course;
}

std::vector<QPointF> centres(const std::vector<RidgeStep>& steps)
{
    std::vector<QPointF> points;
    for (const RidgeStep& s : steps)
        if (s.whole)
            points.emplace_back(s.fixed, s.centre());
    return points;
}

// The points of a course sorted by fixed coordinate within half of `at`.
std::span<const QPointF> around(const std::vector<QPointF>& sorted, double at, double half)
{
    const auto from = std::lower_bound(
        sorted.begin(), sorted.end(), at - half, [](const QPointF& p, double x) { return p.x() < x; });
    const auto to
        = std::upper_bound(from, sorted.end(), at + half, [](double x, const QPointF& p) { return x < p.x(); });
    return { from, to };
}

// The fit of a sorted course's points within half of `at`.
LocalFit fitAround(const std::vector<QPointF>& sorted, double at, double half)
{
    return fitNear(around(sorted, at, half), at, half);
}

// A step's run turned across a course of this slope.
double acrossOf(const RidgeStep& step, double slope)
{
    return (step.end - step.start) / std::hypot(1.0, slope);
}

bool isRidge(Candidate& c)
{
    const double along = c.along();
    const LocalFit fit = fitNear(centres(courseOf(c)), c.fixed, std::max(MinRidgePx, RidgeWidths * along));
    const double cosine = 1 / std::hypot(1.0, fit.slope);
    c.across = along * cosine;
    // The ridge's length along the crack, as a length of fixed coordinate.
    const double needed = std::max(MinRidgePx, RidgeWidths * along * cosine) * cosine;
    const auto runsOn = [&](const RidgeTrace& t) { return t.reachedEdge || t.extent(c.fixed) >= needed; };
    if (!runsOn(c.before) || !runsOn(c.after))
        return false;
    std::vector<RidgeStep> behind(c.before.steps.begin(), c.before.steps.end());
    behind.push_back(c.own());
    std::vector<RidgeStep> ahead(c.after.steps.begin(), c.after.steps.end());
    ahead.push_back(c.own());
    const LocalFit back = fitNear(centres(behind), c.fixed, needed * 2);
    const LocalFit front = fitNear(centres(ahead), c.fixed, needed * 2);
    if (back.count < 3 || front.count < 3)
        return true;
    return degrees(std::abs(std::atan(back.slope) - std::atan(front.slope))) <= MaxTurnDegrees;
}

enum class Reach { Met, Missed, Bridged };

// Whether a ridge followed from one crossing arrives at another: met where it passes the other's line on it;
// bridged where it was lost before that line but its course leads there.
Reach reaches(const RidgeTrace& trace, const Candidate& to, double tolerance)
{
    const std::vector<RidgeStep>& steps = trace.steps;
    const auto nearest = std::min_element(steps.begin(), steps.end(), [&](const RidgeStep& a, const RidgeStep& b) {
        return std::abs(a.fixed - to.fixed) < std::abs(b.fixed - to.fixed);
    });
    if (nearest != steps.end() && std::abs(nearest->fixed - to.fixed) <= std::max(1.0, to.along() / 8) + 0.5)
        return std::abs(nearest->centre() - to.centre()) <= tolerance ? Reach::Met : Reach::Missed;
    if (steps.size() < 2)
        return Reach::Missed;
    const std::vector<QPointF> points = centres(steps);
    if (points.size() < 2)
        return Reach::Missed;
    const QPointF end = points.back();
    const double gap = std::abs(to.fixed - end.x());
    const LocalFit fit = fitNear(points, end.x(), std::max(MinRidgePx, 4 * to.along()));
    const double predicted = end.y() + fit.slope * (to.fixed - end.x());
    return std::abs(predicted - to.centre()) <= tolerance + 0.2 * gap ? Reach::Bridged : Reach::Missed;
}

bool linked(const Candidate& from, const Candidate& to)
{
    const double tolerance = (from.along() + to.along()) / 4 + 2;
    const Reach forward = reaches(from.after, to, tolerance);
    const Reach backward = reaches(to.before, from, tolerance);
    return forward == Reach::Met || backward == Reach::Met || (forward == Reach::Bridged && backward == Reach::Bridged);
}

// Of the chains of linked crossings, one a line at most, the longest; of chains alike, the one of the widest crack.
std::vector<int> longestChain(const std::vector<Candidate>& candidates)
{
    const std::size_t n = candidates.size();
    std::vector<int> count(n, 0);
    std::vector<double> weight(n, 0);
    std::vector<int> previous(n, -1);
    int best = -1;
    for (std::size_t j = 0; j < n; ++j) {
        if (!candidates[j].ridge)
            continue;
        count[j] = 1;
        weight[j] = candidates[j].across;
        for (std::size_t i = 0; i < j; ++i) {
            const int lines = candidates[j].line - candidates[i].line;
            if (!candidates[i].ridge || lines < 1 || lines > 2 || !linked(candidates[i], candidates[j]))
                continue;
            const int c = count[i] + 1;
            const double w = weight[i] + candidates[j].across;
            if (c > count[j] || (c == count[j] && w > weight[j])) {
                count[j] = c;
                weight[j] = w;
                previous[j] = static_cast<int>(i);
            }
        }
        if (best < 0 || count[j] > count[static_cast<std::size_t>(best)]
            || (count[j] == count[static_cast<std::size_t>(best)]
                && weight[j] > weight[static_cast<std::size_t>(best)]))
            best = static_cast<int>(j);
    }
    std::vector<int> chain;
    for (int k = best; k >= 0; k = previous[static_cast<std::size_t>(k)])
        chain.insert(chain.begin(), k);
    return chain;
}

// The angles of a crossing from the crack's own two edges beside the line: over a few widths, fewer where the crack
// bends close to the line, so each line is measured at the crack's course where it crosses.
void measureAngles(AcrossLine& line, const Candidate& c, double spacing)
{
    const std::vector<RidgeStep> course = courseOf(c);
    std::vector<QPointF> starts;
    std::vector<QPointF> ends;
    for (const RidgeStep& s : course)
        if (s.whole) {
            starts.emplace_back(s.fixed, s.start);
            ends.emplace_back(s.fixed, s.end);
        }
    const std::vector<QPointF> middle = centres(course);
    double half = std::clamp(3 * c.along(), 10.0, std::max(10.0, spacing / 2));
    for (int i = 0; i < 3; ++i) {
        const LocalFit fit = fitNear(middle, c.fixed, half);
        if (fit.residual <= 0.35 + 0.02 * c.along() || half <= 6)
            break;
        half = std::max(6.0, half / 2);
    }
    const double a = std::atan(fitCurveNear(starts, c.fixed, half).slope);
    const double b = std::atan(fitCurveNear(ends, c.fixed, half).slope);
    line.angleDegrees = degrees((a + b) / 2);
    line.spreadDegrees = degrees(b - a);
}

// The crack's width across just beside a crossing, a width to a few widths away on both sides: the median of its
// ridge's steps there, each turned across by the course's local slope. None where too few steps were seen.
std::optional<double> widthBeside(const Candidate& c)
{
    const double along = c.along();
    const std::vector<RidgeStep> course = courseOf(c);
    const std::vector<QPointF> middle = centres(course);
    std::vector<double> widths;
    for (const RidgeStep& s : course) {
        const double distance = std::abs(s.fixed - c.fixed);
        if (!s.whole || distance < along || distance > 4 * along + MinRidgePx)
            continue;
        const double half = std::max(MinRidgePx, 2 * along);
        const LocalFit fit = fitAround(middle, s.fixed, half);
        widths.push_back(acrossOf(s, fit.slope));
    }
    if (widths.size() < 4)
        return std::nullopt;
    return median(widths);
}

// The crack's course through the kept crossings: each one's own ridge up to halfway to the next, where it keeps near
// the chord between them (a ridge that turned off onto a branch at a junction does not). Beyond the outer crossings,
// their ridges as followed.
std::vector<RidgeStep> chainCourse(const std::vector<const Candidate*>& kept, double spacing)
{
    std::vector<RidgeStep> course;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const Candidate& c = *kept[i];
        const Candidate* previous = i == 0 ? nullptr : kept[i - 1];
        const Candidate* next = i + 1 == kept.size() ? nullptr : kept[i + 1];
        const double from = previous ? (previous->fixed + c.fixed) / 2 : -std::numeric_limits<double>::infinity();
        const double to = next ? (next->fixed + c.fixed) / 2 : std::numeric_limits<double>::infinity();
        for (const RidgeStep& s : courseOf(c)) {
            if (s.fixed < from || s.fixed >= to || (!course.empty() && s.fixed <= course.back().fixed))
                continue;
            const Candidate* other = s.fixed < c.fixed ? previous : next;
            if (other) {
                const double t = (s.fixed - c.fixed) / (other->fixed - c.fixed);
                const double chord = c.centre() + t * (other->centre() - c.centre());
                if (std::abs(s.centre() - chord) > std::max(c.along(), ChordShare * spacing))
                    continue;
            }
            course.push_back(s);
        }
    }
    return course;
}

QPointF inPicture(ScanDirection direction, double fixed, double along)
{
    return direction == ScanDirection::Vertical ? QPointF(fixed, along) : QPointF(along, fixed);
}

// The width across the crack every StationMm along its course, the course's direction fitted over a few widths at
// each. Left out: stations in a bend, where the two sides' courses differ (the run along the line there spans both
// arms), and stations much wider than the crack a little way off on both sides (a void on it). Of the rest, the widest
// of the widths their neighbours bear out (a median of three), so one dark grain on the edge is not the maximum.
std::optional<WidestStation> widestAlong(
    const std::vector<RidgeStep>& course, ScanDirection direction, double pxPerMm, double typicalAlong)
{
    const std::vector<QPointF> middle = centres(course);
    if (middle.size() < 3)
        return std::nullopt;
    const double every = StationMm * pxPerMm;
    const double half = std::max(MinRidgePx, 2 * typicalAlong);
    const double side = std::max(6.0, typicalAlong);
    struct Station {
        double width;
        QPointF centre; // fixed, along
        double slope;
    };
    std::vector<Station> stations;
    double travelled = every; // the first station at the course's start
    QPointF last = middle.front();
    for (const RidgeStep& s : course) {
        if (!s.whole)
            continue;
        const QPointF here(s.fixed, s.centre());
        travelled += std::hypot(here.x() - last.x(), here.y() - last.y());
        last = here;
        if (travelled < every)
            continue;
        travelled = 0;
        const LocalFit fit = fitAround(middle, s.fixed, half);
        const LocalFit back = fitAround(middle, s.fixed - side / 2, side / 2);
        const LocalFit front = fitAround(middle, s.fixed + side / 2, side / 2);
        const bool bend = back.count >= 3 && front.count >= 3
            && degrees(std::abs(std::atan(back.slope) - std::atan(front.slope))) > MaxBendDegrees;
        if (fit.count < 3 || bend)
            continue;
        stations.push_back({ acrossOf(s, fit.slope), here, fit.slope });
    }
    const auto reach = static_cast<std::ptrdiff_t>(std::ceil(std::max(2 * typicalAlong, 2 * every) / every));
    const auto count = static_cast<std::ptrdiff_t>(stations.size());
    std::vector<Station> plain;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        std::optional<double> widerSide;
        for (const std::ptrdiff_t step : { -1, 1 }) {
            std::vector<double> widths;
            for (std::ptrdiff_t j = i + step * reach; j >= 0 && j < count && std::abs(j - i) <= 3 * reach; j += step)
                widths.push_back(stations[static_cast<std::size_t>(j)].width);
            if (!widths.empty())
                widerSide = std::max(widerSide.value_or(0), median(widths));
        }
        if (!widerSide || stations[static_cast<std::size_t>(i)].width <= *widerSide * VoidRatio)
            plain.push_back(stations[static_cast<std::size_t>(i)]);
    }
    std::optional<WidestStation> widest;
    for (std::size_t i = 1; i + 1 < plain.size(); ++i) {
        const double width = median({ plain[i - 1].width, plain[i].width, plain[i + 1].width });
        if (widest && width <= widest->widthPx)
            continue;
        const Station& s = plain[i];
        const double norm = std::hypot(1.0, s.slope);
        const QPointF normal(-s.slope / norm, 1 / norm);
        const QPointF from = s.centre - normal * width / 2;
        const QPointF to = s.centre + normal * width / 2;
        widest = WidestStation { width,
            QLineF(inPicture(direction, from.x(), from.y()), inPicture(direction, to.x(), to.y())) };
    }
    return widest;
}

struct Scanned {
    AcrossAnalysis result;
    int kept = 0;
    double angle = 0; // the kept lines' median angle, in degrees
    bool otherRidges = false; // ridges off the crack's chain: another crack may cross the lines
};

QString thresholdText(double threshold)
{
    return QString::number(std::round(threshold * 2) / 2);
}

Scanned scan(const QImage& picture, ScanDirection direction, const ViewGeometry& view,
    const DetectionSettings& settings, std::optional<float> calibratedPxPerMm)
{
    Scanned scanned;
    AcrossAnalysis& result = scanned.result;
    result.scanned = direction;
    AnalysisResult& analysis = result.analysis;
    analysis.pxPerMm = calibratedPxPerMm.value_or(analysisPxPerMm(picture.width()));
    const bool invert = invertsBrightness(settings.method);
    const LinePlane plane(picture, direction, invert);
    const ScanRange range = scanRange(direction, view);
    const ScanLinePlacement placement = placeScanLines(direction, view, picture.size());
    const double limitPx = leadingNumber(settings.limitText) * analysis.pxPerMm;
    CrossingRules rules;
    if (!settings.autoThreshold)
        rules.typedThreshold = leadingNumber(settings.thresholdText);
    if (settings.limitInForce)
        rules.maxAlongPx = limitPx * AlongLimitFactor;

    std::vector<Candidate> candidates;
    std::array<std::vector<Crossing>, 5> found;
    for (int k = 0; k < 5; ++k) {
        const auto index = static_cast<std::size_t>(k);
        ScanLineResult& line = analysis.lines[index];
        line.fixed = placement.fixed[index];
        line.scan.thresholdText = settings.thresholdText;
        const Profile profile = sampleScanLine(plane.picture(), direction, line.fixed, range, invert);
        found[index] = findCrossings(profile, rules);
        for (const Crossing& crossing : found[index]) {
            if (crossing.cut)
                continue;
            Candidate c;
            c.line = k;
            c.fixed = line.fixed;
            c.crossing = crossing;
            c.edges = subPixelEdges(crossing.noisy ? smoothed(profile) : profile, crossing.run);
            const RidgeStart start { c.fixed, c.edges.start, c.edges.end, crossing.threshold, crossing.noisy };
            const double reach = std::max(LinkSpacings * placement.spacing, 3 * RidgeWidths * c.along() + MinRidgePx);
            const double unbounded = std::numeric_limits<double>::infinity();
            c.before = followRidge(plane, start, -1, k == 0 ? unbounded : reach);
            c.after = followRidge(plane, start, +1, k == 4 ? unbounded : reach);
            c.ridge = isRidge(c);
            candidates.push_back(std::move(c));
        }
    }
    const std::vector<int> chain = longestChain(candidates);
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (candidates[i].ridge && std::find(chain.begin(), chain.end(), static_cast<int>(i)) == chain.end())
            scanned.otherRidges = true;
    const bool detected = static_cast<int>(chain.size()) >= MinCrossings;

    // What each line shows: its crossing of the crack, else its deepest valley, left out.
    for (std::size_t k = 0; k < 5; ++k) {
        const std::vector<Crossing>& crossings = found[k];
        if (crossings.empty())
            continue;
        const Crossing* shown = &*std::max_element(crossings.begin(), crossings.end(),
            [](const Crossing& a, const Crossing& b) { return a.concrete - a.core < b.concrete - b.core; });
        for (const int i : chain)
            if (candidates[static_cast<std::size_t>(i)].line == static_cast<int>(k))
                shown = &candidates[static_cast<std::size_t>(i)].crossing;
        ScanLineResult& line = analysis.lines[k];
        if (shown->cut)
            line.scan.leftOut = shown->run;
        else
            line.scan.run = shown->run;
        if (settings.autoThreshold)
            line.scan.thresholdText = thresholdText(shown->threshold);
        AcrossLine& across = result.lines[k];
        across.found = true;
        across.cut = shown->cut;
        across.edges
            = { static_cast<double>(shown->run.start), static_cast<double>(shown->run.start + shown->run.width) };
    }
    if (!detected)
        return scanned;

    std::vector<double> alongs;
    for (const int i : chain) {
        const Candidate& c = candidates[static_cast<std::size_t>(i)];
        AcrossLine& line = result.lines[static_cast<std::size_t>(c.line)];
        line.kept = true;
        line.edges = c.edges;
        measureAngles(line, c, placement.spacing);
        alongs.push_back(c.along());
    }

    // A void on the crack where the line crosses it reads wider than the crack just beside: left out.
    for (const int i : chain) {
        const Candidate& c = candidates[static_cast<std::size_t>(i)];
        AcrossLine& line = result.lines[static_cast<std::size_t>(c.line)];
        if (const std::optional<double> beside = widthBeside(c); beside && line.across() > *beside * VoidRatio)
            line.kept = false;
    }
    // Runs unlike the others' width are a void or a branch where the line crosses: left out, as long as two remain.
    std::vector<double> widths;
    for (const AcrossLine& line : result.lines)
        if (line.kept)
            widths.push_back(line.across());
    if (widths.empty())
        return scanned;
    const double typical = median(widths);
    int like = 0;
    for (const AcrossLine& line : result.lines)
        like += line.kept && line.across() <= typical * WidthRatio && line.across() * WidthRatio >= typical;
    std::array<double, 5> kept {};
    std::vector<double> angles;
    for (std::size_t k = 0; k < 5; ++k) {
        AcrossLine& line = result.lines[k];
        if (like >= 2 && line.kept && (line.across() > typical * WidthRatio || line.across() * WidthRatio < typical))
            line.kept = false;
        // The width limit, widened for the choice of runs, holds for the width across, to the pixel.
        if (line.kept && settings.limitInForce && line.across() > limitPx + 1)
            line.kept = false;
        // A line nearly along the crack where it crosses (where another crack meets it) measures nothing sound.
        if (line.kept && std::abs(line.angleDegrees) > SteepLineDegrees)
            line.kept = false;
        if (!line.kept)
            continue;
        kept[k] = line.across();
        ++scanned.kept;
        angles.push_back(std::abs(line.angleDegrees));
    }
    if (!angles.empty())
        scanned.angle = median(angles);
    const FractionalSummary summary = summariseFractionalWidths(kept, analysis.pxPerMm);
    // A width that shows as 0.00 is noise, not a crack: none is listed, as when no crack is found.
    if (!summary.combinedMm || fixedText(*summary.combinedMm, 2) == fixedText(0, 2))
        return scanned;
    result.used = summary.used;
    result.combinedMm = summary.combinedMm;
    std::vector<const Candidate*> keptCrossings;
    for (const int i : chain)
        if (result.lines[static_cast<std::size_t>(candidates[static_cast<std::size_t>(i)].line)].kept)
            keptCrossings.push_back(&candidates[static_cast<std::size_t>(i)]);
    const std::vector<RidgeStep> course = chainCourse(keptCrossings, placement.spacing);
    for (const RidgeStep& s : course)
        if (s.whole)
            result.path.push_back(inPicture(direction, s.fixed, s.centre()));
    result.widest = widestAlong(course, direction, analysis.pxPerMm, median(alongs));
    return scanned;
}

} // namespace

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
    const auto measured = [](const Scanned& s) { return s.kept >= 3 && s.angle <= NearlyAlongDegrees; };
    if (measured(first) && !first.otherRidges)
        return first.result;
    const ScanDirection other
        = inForce == ScanDirection::Vertical ? ScanDirection::Horizontal : ScanDirection::Vertical;
    Scanned second = scan(picture, other, view, settings, calibratedPxPerMm);
    // Where each direction measures a crack of its own (a branch, one of a pair), the wider is the one inspectors
    // judge by; the same crack seen both ways is measured in the direction in force.
    if (measured(first) && measured(second)) {
        const float a = first.result.combinedMm.value_or(0);
        const float b = second.result.combinedMm.value_or(0);
        const bool same = std::abs(a - b) <= SameCrackShare * std::max(a, b);
        if (!same && b > a) {
            second.result.otherDirection = true;
            return second.result;
        }
        return first.result;
    }
    if (measured(first))
        return first.result;
    if (second.kept >= 3 && (first.kept < 3 || second.angle < first.angle)) {
        second.result.otherDirection = true;
        return second.result;
    }
    return first.result;
}

} // namespace norvel
