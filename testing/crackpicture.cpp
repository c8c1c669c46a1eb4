#include "testing/crackpicture.h"

#include <QRgb>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

namespace norvel {

namespace {

struct Path {
    QPointF centre; // the picture's centre, on the crack
    QPointF normal; // unit, in picture coordinates
    QPointF tangent; // the crack's direction, unit
    double radius = 0;
    QPointF circleCentre;
    bool kinked = false;
    QPointF kink;
    QPointF secondTangent; // of the arm past the kink
    QPointF secondNormal;
};

QPointF inPicture(ScanDirection direction, double fixed, double along)
{
    return direction == ScanDirection::Vertical ? QPointF(fixed, along) : QPointF(along, fixed);
}

Path path(const CrackScene& scene)
{
    const double angle = scene.angleDegrees * std::numbers::pi / 180;
    Path p;
    p.centre = QPointF(scene.size.width() / 2.0, scene.size.height() / 2.0);
    p.normal = inPicture(scene.crossedBy, -std::sin(angle), std::cos(angle));
    p.tangent = inPicture(scene.crossedBy, std::cos(angle), std::sin(angle));
    p.radius = scene.radiusPx;
    p.circleCentre = p.centre + p.normal * p.radius;
    p.kinked = scene.kinkDegrees != 0 && scene.radiusPx == 0;
    const double turn = scene.kinkDegrees * std::numbers::pi / 180;
    p.kink = p.centre + p.tangent * scene.kinkAlongPx;
    p.secondTangent = p.tangent * std::cos(turn) + p.normal * std::sin(turn);
    p.secondNormal = p.normal * std::cos(turn) - p.tangent * std::sin(turn);
    return p;
}

double dot(QPointF a, QPointF b)
{
    return a.x() * b.x() + a.y() * b.y();
}

// The signed distance to the centreline and the direction in which it grows.
struct Offset {
    double distance = 0;
    QPointF gradient;
};

// Beside an arm, the distance is to its line; where the point lies beside both (inside the turn) the nearer counts,
// and beside neither (round the outside of the turn) the nearest point of the centreline is the kink itself.
Offset kinkedOffset(const Path& p, QPointF point)
{
    const QPointF from = point - p.kink;
    const bool besideFirst = dot(from, p.tangent) <= 0;
    const bool besideSecond = dot(from, p.secondTangent) >= 0;
    if (!besideFirst && !besideSecond) {
        const double r = std::sqrt(dot(from, from));
        const double side = dot(from, p.normal + p.secondNormal) < 0 ? -1 : 1;
        return { side * r, from * (side / r) };
    }
    const Offset first { dot(from, p.normal), p.normal };
    const Offset second { dot(from, p.secondNormal), p.secondNormal };
    if (!besideSecond)
        return first;
    if (!besideFirst)
        return second;
    return std::abs(first.distance) <= std::abs(second.distance) ? first : second;
}

Offset offset(const Path& p, QPointF point)
{
    if (p.kinked)
        return kinkedOffset(p, point);
    if (p.radius == 0)
        return { dot(point - p.centre, p.normal), p.normal };
    const QPointF fromCircle = point - p.circleCentre;
    const double r = std::sqrt(dot(fromCircle, fromCircle));
    const double side = p.radius > 0 ? 1 : -1;
    if (r == 0)
        return { side * std::abs(p.radius), p.normal };
    return { side * (std::abs(p.radius) - r), fromCircle * (-side / r) };
}

// The share of a unit pixel whose distance lies below its centre's plus t, the distance growing along the unit
// gradient (gx, gy): the spread of a/gx + b/gy over the square is a trapezoid.
double squareShare(double t, double gx, double gy)
{
    double wide = std::abs(gx);
    double narrow = std::abs(gy);
    if (wide < narrow)
        std::swap(wide, narrow);
    if (narrow < 1e-9)
        return std::clamp(t / wide + 0.5, 0.0, 1.0);
    const double outer = (wide + narrow) / 2;
    const double inner = (wide - narrow) / 2;
    if (t <= -outer)
        return 0;
    if (t >= outer)
        return 1;
    if (t < -inner)
        return (t + outer) * (t + outer) / (2 * wide * narrow);
    if (t > inner)
        return 1 - (outer - t) * (outer - t) / (2 * wide * narrow);
    return 0.5 + t / wide;
}

// Past 7 standard deviations the share is 0 or 1 to 1e-12, and erfc is slow out there.
double normalShare(double t)
{
    if (t > 7)
        return 1;
    if (t < -7)
        return 0;
    return 0.5 * std::erfc(-t / std::numbers::sqrt2);
}

// How much of the crack shows at a pixel, 0..1.
double darkness(const CrackScene& scene, double width, const Offset& at)
{
    const double half = width / 2;
    const double reach = half + (scene.blurSigma > 0 ? 7 * scene.blurSigma : 1);
    if (std::abs(at.distance) > reach)
        return 0;
    if (scene.blurSigma > 0)
        return normalShare((half - at.distance) / scene.blurSigma)
            - normalShare((-half - at.distance) / scene.blurSigma);
    const double gx = at.gradient.x();
    const double gy = at.gradient.y();
    return squareShare(half - at.distance, gx, gy) - squareShare(-half - at.distance, gx, gy);
}

// Smooth blotches: random values on a coarse grid, blended with smoothstep weights. A row is blended between
// grid rows once, then each pixel between grid columns.
class Blotches {
public:
    Blotches(QSize size, int cell, std::mt19937& random)
        : m_cell(cell)
        , m_columns(size.width() / cell + 2)
    {
        const int rows = size.height() / cell + 2;
        std::uniform_real_distribution<double> value(-1, 1);
        m_values.resize(static_cast<std::size_t>(m_columns * rows));
        for (double& v : m_values)
            v = value(random);
        m_row.resize(static_cast<std::size_t>(m_columns));
        for (int x = 0; x < size.width(); ++x) {
            m_cellOf.push_back(x / cell);
            m_weightOf.push_back(smooth(static_cast<double>(x % cell) / cell));
        }
    }

    void startRow(int y)
    {
        const int cy = y / m_cell;
        const double wy = smooth(static_cast<double>(y - cy * m_cell) / m_cell);
        for (int i = 0; i < m_columns; ++i) {
            const double top = m_values[static_cast<std::size_t>(cy * m_columns + i)];
            const double bottom = m_values[static_cast<std::size_t>((cy + 1) * m_columns + i)];
            m_row[static_cast<std::size_t>(i)] = top + (bottom - top) * wy;
        }
    }

    double at(int x) const
    {
        const auto cx = static_cast<std::size_t>(m_cellOf[static_cast<std::size_t>(x)]);
        const double left = m_row[cx];
        return left + (m_row[cx + 1] - left) * m_weightOf[static_cast<std::size_t>(x)];
    }

private:
    static double smooth(double t) { return t * t * (3 - 2 * t); }
    int m_cell;
    int m_columns;
    std::vector<double> m_values;
    std::vector<double> m_row;
    std::vector<int> m_cellOf; // by column
    std::vector<double> m_weightOf;
};

std::uint64_t mix(std::uint64_t z)
{
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// Close to a standard normal and fixed by the pixel: four uniform quarters of a hash summed.
double pixelNoise(std::uint64_t key, std::uint64_t pixel)
{
    const std::uint64_t h = mix(key + pixel * 0x9e3779b97f4a7c15ULL);
    double sum = 0;
    for (int i = 0; i < 4; ++i)
        sum += static_cast<double>((h >> (16 * i)) & 0xffff) / 65536.0;
    return (sum - 2) * std::numbers::sqrt3;
}

QRgb grey(double level)
{
    const int g = std::clamp(static_cast<int>(std::floor(level * 2.56 + 0.5)), 0, 255);
    // A warm tint keeps the sum of the channels, and so the brightness.
    if (g >= 2 && g <= 253)
        return qRgb(g + 2, g, g - 2);
    return qRgb(g, g, g);
}

// Small round holes, a pixel or two across, some as dark as a crack's core.
std::vector<Speck> pores(const CrackScene& scene)
{
    std::mt19937 random(scene.seed * 2654435761U + 97);
    std::uniform_real_distribution<double> x(0, scene.size.width());
    std::uniform_real_distribution<double> y(0, scene.size.height());
    std::uniform_real_distribution<double> radius(0.6, 1.8);
    std::uniform_real_distribution<double> depth(10, 45);
    std::vector<Speck> holes;
    for (int i = 0; i < scene.pores; ++i) {
        const QPointF centre(x(random), y(random));
        const double r = radius(random);
        holes.push_back({ centre, r, std::max(0.0, scene.background - depth(random)) });
    }
    return holes;
}

} // namespace

double crackWidthPx(const CrackScene& scene)
{
    return scene.widthMm * analysisPxPerMm(scene.size.width());
}

double crackWidthPx(const CrackScene& scene, QPointF point)
{
    const Path p = path(scene);
    return crackWidthPx(scene) * std::max(0.0, 1 + scene.widthGrowthPerPx * dot(point - p.centre, p.tangent));
}

double crackDistance(const CrackScene& scene, QPointF point)
{
    return offset(path(scene), point).distance;
}

QImage drawCrack(const CrackScene& scene)
{
    const int width = scene.size.width();
    const int height = scene.size.height();
    QImage picture(scene.size, QImage::Format_RGB32);
    std::mt19937 random(scene.seed);
    Blotches broad(scene.size, std::max(8, width / 5), random);
    Blotches fine(scene.size, std::max(4, width / 20), random);
    const std::uint64_t noiseKey = (std::uint64_t { random() } << 32) | random();
    const Path p = path(scene);
    const double crackWidth = crackWidthPx(scene);
    std::vector<double> levels(static_cast<std::size_t>(width));
    std::vector<Speck> blots = scene.specks;
    for (const Speck& pore : pores(scene))
        blots.push_back(pore);

    for (int y = 0; y < height; ++y) {
        broad.startRow(y);
        fine.startRow(y);
        for (int x = 0; x < width; ++x) {
            const double concrete = scene.background + scene.texture * (0.7 * broad.at(x) + 0.3 * fine.at(x));
            const QPointF at(x, y);
            const double localWidth = scene.widthGrowthPerPx == 0 ? crackWidth : crackWidthPx(scene, at);
            const double crack = darkness(scene, localWidth, offset(p, at));
            const bool faint = scene.faintCore >= 0 && dot(at - p.centre, p.tangent) > scene.faintFromPx;
            levels[static_cast<std::size_t>(x)]
                = concrete + ((faint ? scene.faintCore : scene.core) - concrete) * crack;
        }
        for (const Speck& speck : blots) {
            const double reach = speck.radius + 1;
            if (std::abs(y - speck.centre.y()) > reach)
                continue;
            const int left = std::max(0, static_cast<int>(std::floor(speck.centre.x() - reach)));
            const int right = std::min(width - 1, static_cast<int>(std::ceil(speck.centre.x() + reach)));
            for (int x = left; x <= right; ++x) {
                const double d = std::hypot(x - speck.centre.x(), y - speck.centre.y());
                const double share = std::clamp(speck.radius + 0.5 - d, 0.0, 1.0);
                double& level = levels[static_cast<std::size_t>(x)];
                level += (speck.level - level) * share;
            }
        }
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const auto pixel = static_cast<std::uint64_t>(y) * static_cast<std::uint64_t>(width) + x;
            line[x] = grey(levels[static_cast<std::size_t>(x)] + scene.noise * pixelNoise(noiseKey, pixel));
        }
    }
    return picture;
}

ViewGeometry wholePictureView(QSize size)
{
    const auto dspRate = static_cast<float>(std::min(640.0 / size.width(), 480.0 / size.height()));
    return { dspRate, 1.0f, { { 0, 640 }, { 0, 480 } } };
}

void addVoidsOnLines(CrackScene& scene, ScanDirection direction, const ViewGeometry& view, std::vector<int> lines,
    double offsetPx, double radius, double level)
{
    const ScanLinePlacement placement = placeScanLines(direction, view, scene.size);
    const int length = direction == ScanDirection::Vertical ? scene.size.height() : scene.size.width();
    for (const int k : lines) {
        const double fixed = placement.fixed[static_cast<std::size_t>(k)];
        const auto distance = [&](double along) { return crackDistance(scene, inPicture(direction, fixed, along)); };
        // The distance changes sign once along a line that crosses the centreline: halve the interval onto it.
        double low = -length;
        double high = 2.0 * length;
        const bool rising = distance(high) > distance(low);
        for (int i = 0; i < 60; ++i) {
            const double middle = (low + high) / 2;
            ((distance(middle) < 0) == rising ? low : high) = middle;
        }
        scene.specks.push_back({ inPicture(direction, fixed, (low + high) / 2 + offsetPx), radius, level });
    }
}

void addSpecksOnLines(CrackScene& scene, ScanDirection direction, const ViewGeometry& view, int count)
{
    std::mt19937 random(scene.seed + 7919);
    std::array<int, 5> lines { 0, 1, 2, 3, 4 };
    std::shuffle(lines.begin(), lines.end(), random);
    const double scale = scene.size.width() / 640.0;
    const double radius = 4 * scale;
    const double clear = crackWidthPx(scene) + 30 * scale;
    const int length = direction == ScanDirection::Vertical ? scene.size.height() : scene.size.width();
    std::uniform_real_distribution<double> along(2 * radius, length - 2 * radius);
    for (int i = 0; i < std::min(count, 5); ++i) {
        const double fixed = scanLinePosition(lines[static_cast<std::size_t>(i)], direction, view);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QPointF centre = inPicture(direction, fixed, std::round(along(random)));
            if (std::abs(crackDistance(scene, centre)) > clear) {
                scene.specks.push_back({ centre, radius, 8 });
                break;
            }
        }
    }
}

} // namespace norvel
