#include "analysis/scanlines.h"

#include "core/numbers.h"

#include <QRgb>

#include <algorithm>

namespace norvel {

namespace {

constexpr qint16 White = 100;

qint16 pixelBrightness(QRgb rgb)
{
    return brightness(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

// The profile's values are read through row pointers: a 32-bit image is used as it is, anything else
// is converted once.
QImage readable(const QImage& picture)
{
    if (picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32)
        return picture;
    return picture.convertToFormat(QImage::Format_RGB32);
}

const QRgb* row(const QImage& picture, int y)
{
    return reinterpret_cast<const QRgb*>(picture.constScanLine(y));
}

} // namespace

float analysisPxPerMm(int pictureWidth)
{
    if (pictureWidth == 1600)
        return 185.0f;
    return static_cast<float>(91.0 / 640.0 * pictureWidth);
}

qint16 scanLinePosition(int k, ScanDirection direction, const ViewGeometry& view)
{
    const double offset = (k - 2) * 100;
    const double dspRate = view.dspRate;
    const auto& across = direction == ScanDirection::Horizontal ? view.range.y : view.range.x;
    return nearest(offset / dspRate / view.zoom + (across[1] / 2.0 + across[0]) / dspRate);
}

ScanLinePlacement placeScanLines(ScanDirection direction, const ViewGeometry& view, QSize picture)
{
    ScanLinePlacement placement;
    placement.spacing = 100.0 / (static_cast<double>(view.dspRate) * view.zoom);
    const int size = direction == ScanDirection::Horizontal ? picture.height() : picture.width();
    bool inside = true;
    for (int k = 0; k < 5; ++k) {
        const qint16 fixed = scanLinePosition(k, direction, view);
        placement.fixed[static_cast<std::size_t>(k)] = fixed;
        inside = inside && fixed >= 0 && fixed < size;
    }
    if (inside)
        return placement;
    // A few pixels in from the edge, where a picture's border rows are often spoilt.
    constexpr double Margin = 4;
    const double low = std::min(Margin, std::max(size - 1, 0) / 2.0);
    const double high = std::max(size - 1 - low, low);
    const auto& across = direction == ScanDirection::Horizontal ? view.range.y : view.range.x;
    const double centre = std::clamp((across[1] / 2.0 + across[0]) / static_cast<double>(view.dspRate), low, high);
    placement.spacing = std::min({ placement.spacing, (centre - low) / 2, (high - centre) / 2 });
    for (int k = 0; k < 5; ++k)
        placement.fixed[static_cast<std::size_t>(k)] = nearest(centre + (k - 2) * placement.spacing);
    return placement;
}

ScanRange scanRange(ScanDirection direction, const ViewGeometry& view)
{
    const double dspRate = view.dspRate;
    const auto& along = direction == ScanDirection::Horizontal ? view.range.x : view.range.y;
    return { nearest(along[0] / dspRate), nearest((along[1] + along[0]) / dspRate) };
}

Profile sampleScanLine(const QImage& source, ScanDirection direction, int fixed, ScanRange range, bool invert)
{
    const QImage picture = readable(source);
    const bool horizontal = direction == ScanDirection::Horizontal;
    const int size = horizontal ? picture.width() : picture.height();
    Profile profile;
    const int across = horizontal ? picture.height() : picture.width();
    if (fixed < 0 || fixed >= across)
        return profile;
    profile.values.assign(static_cast<std::size_t>(size), 0);
    profile.first = std::max<int>(range.first, 0);
    profile.last = std::min<int>(range.last, size - 1);
    profile.startsAtEdge = profile.first == 0;
    profile.endsAtEdge = profile.last == size - 1;

    const QRgb* fixedRow = horizontal ? row(picture, fixed) : nullptr;
    for (int p = profile.first; p <= profile.last; ++p) {
        const qint16 v = pixelBrightness(horizontal ? fixedRow[p] : row(picture, p)[fixed]);
        profile.values[static_cast<std::size_t>(p)] = invert ? static_cast<qint16>(100 - v) : v;
    }
    return profile;
}

Profile samplePoints(const QImage& source, std::span<const QPointF> points, bool invert)
{
    const QImage picture = readable(source);
    Profile profile;
    profile.values.assign(points.size(), 0);
    profile.first = 0;
    profile.last = static_cast<int>(points.size()) - 1;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::optional<qint16> x = tryNearest(points[i].x());
        const std::optional<qint16> y = tryNearest(points[i].y());
        qint16 v = White;
        if (x && y && *x >= 0 && *y >= 0 && *x < picture.width() && *y < picture.height())
            v = pixelBrightness(row(picture, *y)[*x]);
        profile.values[i] = invert ? static_cast<qint16>(100 - v) : v;
    }
    return profile;
}

AnalysisResult analysePicture(const QImage& picture, ScanDirection direction, const ViewGeometry& view,
    const DetectionSettings& settings, std::optional<float> calibratedPxPerMm, std::array<Profile, 5>* profiles)
{
    // Converted once here rather than once per line.
    const QImage image = readable(picture);
    AnalysisResult result;
    result.pxPerMm = calibratedPxPerMm.value_or(analysisPxPerMm(image.width()));
    const ScanRange range = scanRange(direction, view);
    const ScanLinePlacement placement = placeScanLines(direction, view, image.size());
    for (int k = 0; k < 5; ++k) {
        ScanLineResult& line = result.lines[static_cast<std::size_t>(k)];
        line.fixed = placement.fixed[static_cast<std::size_t>(k)];
        Profile profile = sampleScanLine(image, direction, line.fixed, range, invertsBrightness(settings.method));
        line.scan = scanProfile(profile, settings, result.pxPerMm);
        if (profiles)
            (*profiles)[static_cast<std::size_t>(k)] = std::move(profile);
    }
    return result;
}

} // namespace norvel
