#include "analysis/crackridge.h"

#include "analysis/scanlines.h"

#include <algorithm>
#include <cmath>

namespace norvel {

namespace {

// How far beside a valley its concrete is looked for, and how far past a blurred edge.
constexpr int SideGap = 2;
constexpr int MinSide = 6;
constexpr int MaxSide = 40;
// A valley shallower than this many levels below its concrete is texture, not a crack.
constexpr double MinCrackContrast = 8;
// The pixel-to-pixel differences of a line of plain noise have a median of 0.954 of its standard deviation; a valley
// must lie this many deviations below its concrete.
constexpr double DiffMedianPerSigma = 0.954;
constexpr double NoiseDeviations = 2.5;
// Noise of more than this many levels is smoothed before edges are placed.
constexpr double NoisyLine = 1.5;
// The most valleys a line offers: the deepest are kept, as voids and specks are many on some concrete.
constexpr std::size_t MaxCrossings = 12;
// Past the run's edges, the concrete the sub-pixel edges are placed against.
constexpr int EdgeRoom = 8;
constexpr double MaxSlope = 3;
// A step wider than the steps behind it by this share of their width (and a pixel and a half) is not the ridge's own.
constexpr double WiderOnTheWay = 0.1;
// Steps followed to fit the ridge's course ahead.
constexpr std::size_t RecentSteps = 12;

double median(std::vector<double> values)
{
    const std::size_t n = values.size();
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n / 2), values.end());
    return values[n / 2];
}

// The largest of values[i - reach .. i] (forward) or values[i .. i + reach] for each i, by the maxima of blocks of
// reach + 1 from their start and from their end, so without a branch on the values.
std::vector<double> slidingMax(std::vector<double> values, int reach, bool forward)
{
    if (!forward)
        std::reverse(values.begin(), values.end());
    const std::size_t n = values.size();
    const auto block = static_cast<std::size_t>(reach) + 1;
    std::vector<double> fromStart(values);
    std::vector<double> fromEnd(values);
    // Block by block, without a division for each value.
    for (std::size_t start = 0; start < n; start += block) {
        const std::size_t end = std::min(n, start + block);
        for (std::size_t i = start + 1; i < end; ++i)
            fromStart[i] = std::max(fromStart[i - 1], values[i]);
        for (std::size_t i = end - 1; i-- > start;)
            fromEnd[i] = std::max(fromEnd[i + 1], values[i]);
    }
    std::vector<double> out(n);
    double running = values.empty() ? 0 : values[0];
    for (std::size_t i = 0; i < n; ++i) {
        running = std::max(running, values[i]);
        out[i] = i < block - 1 ? running : std::max(fromEnd[i + 1 - block], fromStart[i]);
    }
    if (!forward)
        std::reverse(out.begin(), out.end());
    return out;
}

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
    // Nothing within reach lighter than the run (a smoothed run beside a darker flaw): no concrete to go by, and
    // the walk outward would find no end.
    if (ground < darkest)
        return edge + step * 0.5;
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

// The least-squares line through the points within halfWidth of at: how many there are, their centre and the
// line's slope (0 without one).
struct Line {
    double count = 0;
    double mx = 0;
    double my = 0;
    double slope = 0;
    bool sloped = false;
};

Line lineNear(std::span<const QPointF> points, double at, double halfWidth)
{
    Line line;
    double sx = 0;
    double sy = 0;
    for (const QPointF& p : points)
        if (std::abs(p.x() - at) <= halfWidth) {
            ++line.count;
            sx += p.x();
            sy += p.y();
        }
    if (line.count < 2)
        return line;
    line.mx = sx / line.count;
    line.my = sy / line.count;
    double sxx = 0;
    double sxy = 0;
    for (const QPointF& p : points)
        if (std::abs(p.x() - at) <= halfWidth) {
            sxx += (p.x() - line.mx) * (p.x() - line.mx);
            sxy += (p.x() - line.mx) * (p.y() - line.my);
        }
    if (sxx > 0) {
        line.slope = sxy / sxx;
        line.sloped = true;
    }
    return line;
}

// The pixels from first to last smoothed 1-2-1 into out; the end pixels are taken as they are.
void smoothInto(const std::vector<qint16>& values, int first, int last, std::vector<qint16>& out)
{
    if (first > last)
        return;
    const auto at = [&](int q) { return static_cast<int>(values[static_cast<std::size_t>(q)]); };
    out[static_cast<std::size_t>(first)] = values[static_cast<std::size_t>(first)];
    out[static_cast<std::size_t>(last)] = values[static_cast<std::size_t>(last)];
    for (int p = first + 1; p < last; ++p)
        out[static_cast<std::size_t>(p)] = static_cast<qint16>((at(p - 1) + 2 * at(p) + at(p + 1) + 2) / 4);
}

struct Valley {
    int from = 0; // the pixels clearly below the concrete
    int to = 0;
};

} // namespace

LinePlane::LinePlane(const QImage& picture, ScanDirection direction, bool invert)
    : m_picture(picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            ? picture
            : picture.convertToFormat(QImage::Format_RGB32))
    , m_bits(m_picture.constBits())
    , m_bytesPerLine(m_picture.bytesPerLine())
    , m_table(&brightnessBySum())
    , m_vertical(direction == ScanDirection::Vertical)
    , m_invert(invert)
    , m_fixedSize(m_vertical ? picture.width() : picture.height())
    , m_alongSize(m_vertical ? picture.height() : picture.width())
{
}

std::vector<Crossing> findCrossings(const Profile& profile, const CrossingRules& rules)
{
    const int first = profile.first;
    const int last = profile.last;
    const int n = last - first + 1;
    if (n < 5)
        return {};
    const auto v = [&](int p) { return static_cast<double>(profile.values[static_cast<std::size_t>(p)]); };
    std::vector<double> smooth(static_cast<std::size_t>(n));
    std::vector<double> steps;
    steps.reserve(static_cast<std::size_t>(n));
    for (int p = first; p <= last; ++p) {
        const int a = std::max(first, p - 1);
        const int b = std::min(last, p + 1);
        double sum = 0;
        for (int q = a; q <= b; ++q)
            sum += v(q);
        smooth[static_cast<std::size_t>(p - first)] = sum / (b - a + 1);
        // Every other difference is enough to tell the line's noise.
        if (p < last && (p - first) % 2 == 0)
            steps.push_back(std::abs(v(p + 1) - v(p)));
    }
    const double noise = median(steps) / DiffMedianPerSigma;
    const double contrast = std::max(MinCrackContrast, NoiseDeviations * noise);
    const double halfRun = std::min(rules.maxAlongPx / 2, static_cast<double>(n));
    const int reach = static_cast<int>(std::ceil(halfRun)) + MinSide;
    const std::vector<double> before = slidingMax(smooth, reach, true);
    const std::vector<double> after = slidingMax(smooth, reach, false);

    // A valley at either end of the line has concrete on one side only. Dark for more than a quarter of the line,
    // or than a run may be, an end is darker concrete, not a crack the line's end cuts.
    const auto at = [&](const std::vector<double>& values, int i) { return values[static_cast<std::size_t>(i)]; };
    const int endValley = static_cast<int>(std::min(rules.maxAlongPx, n / 4.0));
    int leading = -1;
    while (leading + 1 < n && at(smooth, leading + 1) <= at(after, 0) - contrast)
        ++leading;
    if (leading + 1 > endValley)
        leading = -1;
    int trailing = n;
    while (trailing - 1 > leading && at(smooth, trailing - 1) <= at(before, n - 1) - contrast)
        --trailing;
    if (n - trailing > endValley)
        trailing = n;
    std::vector<Valley> valleys;
    for (int i = 0; i < n; ++i) {
        const bool deep
            = i <= leading || i >= trailing || at(smooth, i) <= std::min(at(before, i), at(after, i)) - contrast;
        if (!deep)
            continue;
        if (!valleys.empty() && valleys.back().to == first + i - 1)
            valleys.back().to = first + i;
        else
            valleys.push_back({ first + i, first + i });
    }

    std::vector<Crossing> crossings;
    for (const Valley& valley : valleys) {
        int darkest = valley.from;
        double core = smooth[static_cast<std::size_t>(valley.from - first)];
        for (int p = valley.from; p <= valley.to; ++p) {
            core = std::min(core, smooth[static_cast<std::size_t>(p - first)]);
            if (v(p) < v(darkest))
                darkest = p;
        }
        // Each side's concrete is the median just beyond the valley: a bright speck beside it does not count.
        const int side = std::clamp(valley.to - valley.from + 1, MinSide, MaxSide);
        const auto sideLevel = [&](int step) -> std::optional<double> {
            std::vector<double> values;
            const int start = (step < 0 ? valley.from : valley.to) + step * SideGap;
            for (int i = 0, p = start; i < side && p >= first && p <= last; ++i, p += step)
                values.push_back(v(p));
            if (values.size() < 2)
                return std::nullopt;
            return median(values);
        };
        const std::optional<double> left = sideLevel(-1);
        const std::optional<double> right = sideLevel(+1);
        if (!left && !right)
            continue;
        // A valley at the line's end has concrete on one side only: it is kept, as cut.
        const double leftLevel = left.value_or(*right);
        const double rightLevel = right.value_or(*left);
        if (leftLevel - core < contrast || rightLevel - core < contrast)
            continue;
        const double concrete = std::min(leftLevel, rightLevel);
        double leftThreshold = (leftLevel + core) / 2;
        double rightThreshold = (rightLevel + core) / 2;
        // Clear of both ends of the valley by a quarter of its depth: a threshold at the core's own level would
        // take its noise for the crack, one at the concrete's its texture.
        const double margin = (concrete - core) / 4;
        if (rules.typedThreshold && *rules.typedThreshold >= core + margin
            && *rules.typedThreshold <= concrete - margin)
            leftThreshold = rightThreshold = *rules.typedThreshold;
        // A pixel of noise above the threshold inside a faint crack does not end the run: a pixel whose three-pixel
        // mean is still below it belongs to it.
        const auto dark = [&](int p, double threshold) {
            return v(p) < threshold
                || (p > first && p < last && smooth[static_cast<std::size_t>(p - first)] < threshold);
        };
        int from = darkest;
        while (from > first && dark(from - 1, leftThreshold))
            --from;
        int to = darkest;
        while (to < last && dark(to + 1, rightThreshold))
            ++to;
        if (to - from + 1 > rules.maxAlongPx)
            continue;
        Crossing crossing;
        crossing.run = { static_cast<qint16>(from), static_cast<qint16>(std::min(to - from + 1, 32767)) };
        crossing.threshold = (leftThreshold + rightThreshold) / 2;
        crossing.concrete = concrete;
        crossing.core = core;
        crossing.cut = from <= first || to >= last;
        crossing.noisy = noise > NoisyLine;
        // Two valleys that grew into one run are one crossing: the darker stands.
        if (!crossings.empty()) {
            Crossing& previous = crossings.back();
            if (previous.run.start + previous.run.width > crossing.run.start) {
                if (crossing.core < previous.core)
                    previous = crossing;
                continue;
            }
        }
        crossings.push_back(crossing);
    }
    if (crossings.size() > MaxCrossings) {
        std::stable_sort(crossings.begin(), crossings.end(),
            [](const Crossing& a, const Crossing& b) { return a.concrete - a.core > b.concrete - b.core; });
        crossings.resize(MaxCrossings);
        std::sort(crossings.begin(), crossings.end(),
            [](const Crossing& a, const Crossing& b) { return a.run.start < b.run.start; });
    }
    return crossings;
}

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

Profile smoothed(const Profile& profile)
{
    Profile out = profile;
    smoothInto(profile.values, profile.first, profile.last, out.values);
    return out;
}

double RidgeTrace::extent(double fromFixed) const
{
    return steps.empty() ? 0 : std::abs(steps.back().fixed - fromFixed);
}

LocalFit fitCurveNear(std::span<const QPointF> points, double at, double halfWidth)
{
    // Least squares of a + b d + c d^2 with d = x - at, by the normal equations; the slope at `at` is b.
    double m[3][4] = {};
    int n = 0;
    for (const QPointF& p : points) {
        const double d = p.x() - at;
        if (std::abs(d) > halfWidth)
            continue;
        ++n;
        const double basis[3] = { 1, d, d * d };
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                m[r][c] += basis[r] * basis[c];
            m[r][3] += basis[r] * p.y();
        }
    }
    if (n < 6)
        return fitNear(points, at, halfWidth);
    for (int col = 0; col < 3; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 3; ++r)
            if (std::abs(m[r][col]) > std::abs(m[pivot][col]))
                pivot = r;
        if (std::abs(m[pivot][col]) < 1e-12)
            return fitNear(points, at, halfWidth);
        std::swap(m[col], m[pivot]);
        for (int r = 0; r < 3; ++r) {
            if (r == col)
                continue;
            const double f = m[r][col] / m[col][col];
            for (int c = col; c < 4; ++c)
                m[r][c] -= f * m[col][c];
        }
    }
    LocalFit fit = fitNear(points, at, halfWidth);
    fit.slope = m[1][3] / m[1][1];
    return fit;
}

LocalFit fitNear(std::span<const QPointF> points, double at, double halfWidth)
{
    const Line line = lineNear(points, at, halfWidth);
    LocalFit fit;
    fit.count = static_cast<int>(line.count);
    if (!line.sloped)
        return fit;
    fit.slope = line.slope;
    double squares = 0;
    for (const QPointF& p : points)
        if (std::abs(p.x() - at) <= halfWidth) {
            const double r = p.y() - (line.my + fit.slope * (p.x() - line.mx));
            squares += r * r;
        }
    fit.residual = std::sqrt(squares / line.count);
    return fit;
}

RidgeTrace followRidge(const LinePlane& plane, const RidgeStart& from, int step, double reach)
{
    RidgeTrace trace;
    const double runAlong = std::max(1.0, from.end - from.start);
    // A wide ridge is followed in steps of an eighth of its width: its course changes slowly against its width.
    const int stride = runAlong <= 12 ? 1 : static_cast<int>(std::lround(runAlong / 8));
    const int maxMisses = std::max(3, static_cast<int>(std::ceil(runAlong / stride)));
    Profile window;
    window.values.assign(static_cast<std::size_t>(std::max(plane.alongSize(), 1)), 0);
    std::vector<qint16> raw(from.noisy ? window.values.size() : 0); // the window as read, before smoothing
    std::vector<QPointF> recent { { from.fixed, (from.start + from.end) / 2 } };
    std::vector<double> widths { runAlong };
    std::vector<double> sortedWidths { runAlong }; // the same in order, for their median at each step
    double position = recent.front().y();
    double lastFixed = from.fixed;
    double slope = 0;
    bool slopeKnown = false;
    int misses = 0;
    const int origin = static_cast<int>(std::lround(from.fixed));
    for (int i = 1;; ++i) {
        const int fixed = origin + step * i * stride;
        if (std::abs(fixed - from.fixed) > reach)
            break;
        if (fixed < 0 || fixed >= plane.fixedSize()) {
            trace.reachedEdge = true;
            break;
        }
        const double distance = std::abs(fixed - lastFixed);
        const double predicted = position + slope * (fixed - lastFixed);
        // Until the course is known, the search covers a crack at up to about 63 degrees to the normal.
        const double slack = slopeKnown ? 1 + 0.35 * distance : 1 + 2 * distance;
        const int searchFrom = static_cast<int>(std::floor(predicted - runAlong / 2 - slack));
        const int searchTo = static_cast<int>(std::ceil(predicted + runAlong / 2 + slack));
        if (searchTo < 0 || searchFrom >= plane.alongSize()) {
            trace.reachedEdge = true;
            break;
        }
        window.first = std::max(0, static_cast<int>(std::floor(predicted - runAlong - slack)) - EdgeRoom);
        window.last
            = std::min(plane.alongSize() - 1, static_cast<int>(std::ceil(predicted + runAlong + slack)) + EdgeRoom);
        // Only the window is read, smoothed on a noisy line: what lies outside it is left as it was.
        std::vector<qint16>& read = from.noisy ? raw : window.values;
        for (int a = window.first; a <= window.last; ++a)
            read[static_cast<std::size_t>(a)] = plane.at(fixed, a);
        // The steps after this one read about the same stretch of their lines: fetched two steps ahead of need.
        if (const int next = fixed + 2 * step * stride; next >= 0 && next < plane.fixedSize())
            plane.prefetch(next, window.first, window.last);
        if (from.noisy)
            smoothInto(raw, window.first, window.last, window.values);
        const auto value = [&](int a) { return window.values[static_cast<std::size_t>(a)]; };
        int darkest = std::max(searchFrom, window.first);
        for (int a = darkest + 1; a <= std::min(searchTo, window.last); ++a)
            if (value(a) < value(darkest))
                darkest = a;
        int runFrom = darkest;
        int runTo = darkest;
        bool found = value(darkest) < from.level;
        if (found) {
            while (runFrom > window.first && value(runFrom - 1) < from.level)
                --runFrom;
            while (runTo < window.last && value(runTo + 1) < from.level)
                ++runTo;
            // Spread far wider than the crossing: a void or a dark patch on the way, not the ridge itself.
            found = runTo - runFrom + 1 <= 2 * runAlong + 6;
        }
        if (!found) {
            if (++misses > maxMisses)
                break;
            continue;
        }
        const RunEdges edges
            = subPixelEdges(window, { static_cast<qint16>(runFrom), static_cast<qint16>(runTo - runFrom + 1) });
        const bool whole = runFrom > window.first && runTo < window.last;
        // Much wider than the ridge just behind: a void or another crack on it, whose edges are not the crack's. The
        // ridge goes on through it on its course.
        const double width = edges.end - edges.start;
        if (const double usual = sortedWidths[sortedWidths.size() / 2];
            widths.size() >= 3 && width > usual + std::max(1.5, WiderOnTheWay * usual)) {
            trace.steps.push_back({ static_cast<double>(fixed), edges.start, edges.end, false });
            misses = 0;
            continue;
        }
        widths.push_back(width);
        sortedWidths.insert(std::upper_bound(sortedWidths.begin(), sortedWidths.end(), width), width);
        if (widths.size() > RecentSteps) {
            sortedWidths.erase(std::lower_bound(sortedWidths.begin(), sortedWidths.end(), widths.front()));
            widths.erase(widths.begin());
        }
        trace.steps.push_back({ static_cast<double>(fixed), edges.start, edges.end, whole });
        const double centre = (edges.start + edges.end) / 2;
        recent.emplace_back(fixed, centre);
        if (recent.size() > RecentSteps)
            recent.erase(recent.begin());
        if (recent.size() >= 2) {
            // Steeper than this the lines run along the crack, which is then followed the other way.
            slope = std::clamp(
                lineNear(recent, fixed, std::numeric_limits<double>::infinity()).slope, -MaxSlope, MaxSlope);
            slopeKnown = recent.size() >= 4;
        }
        position = centre;
        lastFixed = fixed;
        misses = 0;
    }
    return trace;
}

} // namespace norvel
