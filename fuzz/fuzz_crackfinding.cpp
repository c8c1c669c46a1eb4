// The analysis across the crack on arbitrary pictures and settings: small pictures whose every pixel, proportion,
// scan direction, method, threshold and width limit the input chooses. Checked:
// - nothing is read outside the picture and nothing crashes (the sanitizers watch);
// - a listed width is a positive figure that shows as at least 0.01 mm, from at least two kept lines, each kept line
//   on a crossing found on its line, each of its widths finite;
// - the followed course and the widest place lie inside the picture, and the widest place is listed only beside a
//   width.
#include "analysis/acrosscrack.h"
#include "fuzzcheck.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>

using namespace norvel;
using norvel::fuzz::require;

namespace {

bool inside(QPointF p, QSize size)
{
    return std::isfinite(p.x()) && std::isfinite(p.y()) && p.x() >= -1 && p.y() >= -1 && p.x() <= size.width()
        && p.y() <= size.height();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6)
        return 0;
    const int width = 8 + data[0] % 120;
    const int height = 8 + data[1] % 90;
    const std::uint8_t flags = data[2];
    DetectionSettings settings;
    settings.method = static_cast<qint16>(flags % 4);
    settings.autoThreshold = (flags & 4) != 0;
    settings.limitInForce = (flags & 8) != 0;
    settings.thresholdText = QString::number(data[3] % 101);
    settings.limitText = QString::number(0.01 + data[4] / 50.0);
    const ScanDirection direction = (flags & 16) != 0 ? ScanDirection::Horizontal : ScanDirection::Vertical;
    // The pixels: grey levels from the rest of the input, repeated, so a short input still fills a picture.
    QImage picture(width, height, QImage::Format_RGB32);
    const std::uint8_t* pixels = data + 5;
    const std::size_t count = size - 5;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const std::uint8_t g = pixels[static_cast<std::size_t>(y * width + x) % count];
            row[x] = qRgb(g, g, g);
        }
    }
    const auto dspRate = static_cast<float>(std::min(640.0 / width, 480.0 / height));
    const ViewGeometry view { dspRate, 1.0f, { { 0, 640 }, { 0, 480 } } };
    const AcrossAnalysis result = analyseAcross(picture, direction, view, settings);

    int kept = 0;
    for (std::size_t k = 0; k < 5; ++k) {
        const AcrossLine& line = result.lines[k];
        if (!line.kept)
            continue;
        ++kept;
        require(line.found, "a kept line has a crossing");
        require(std::isfinite(line.across()) && line.across() > 0, "a kept line's width is a positive figure");
    }
    if (result.combinedMm) {
        require(std::isfinite(*result.combinedMm) && *result.combinedMm >= 0.005f, "a listed width shows");
        require(kept >= 2, "a listed width comes from two kept lines or more");
    }
    require(!result.widest || result.combinedMm, "the widest place only beside a width");
    if (result.widest) {
        require(std::isfinite(result.widest->widthPx) && result.widest->widthPx > 0, "the widest place is a width");
        require(inside(result.widest->across.center(), picture.size()), "the widest place is on the picture");
    }
    for (const QPointF& p : result.path)
        require(inside(p, picture.size()), "the followed course is on the picture");
    return 0;
}
