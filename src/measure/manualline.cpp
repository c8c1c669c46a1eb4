#include "measure/manualline.h"

#include "core/numbers.h"

#include <cmath>

namespace norvel {

std::optional<DraggedLine> draggedLine(QPointF press, QPointF release, const ViewMapping& mapping)
{
    const double zoom = mapping.zoom;
    DraggedLine line;
    line.sx = nearest(press.x() / zoom + mapping.left);
    line.sy = nearest(press.y() / zoom + mapping.top);
    line.dx = nearest((release.x() - press.x()) / zoom);
    line.dy = nearest((release.y() - press.y()) / zoom);
    const double dx = line.dx;
    const double dy = line.dy;
    line.n = nearest(std::sqrt(dx * dx + dy * dy) / static_cast<double>(mapping.dspRate));
    if (line.n == 0)
        return std::nullopt;
    return line;
}

std::vector<QPointF> linePoints(const DraggedLine& line, float dspRate)
{
    std::vector<QPointF> points;
    points.reserve(static_cast<std::size_t>(line.n) + 1);
    for (int i = 0; i <= line.n; ++i) {
        const auto x = static_cast<float>((static_cast<double>(line.dx) * i / line.n + line.sx) / dspRate);
        const auto y = static_cast<float>((static_cast<double>(line.dy) * i / line.n + line.sy) / dspRate);
        points.emplace_back(x, y);
    }
    return points;
}

LineRunMark lineRunMark(QPointF press, const DraggedLine& line, float zoom, qint16 start, qint16 width)
{
    // Products before the division, so whole results (28, not 28.000000000000004) stay whole.
    const double z = zoom;
    const double n = line.n;
    const QPointF from(press.x() + start * line.dx * z / n, press.y() + start * line.dy * z / n);
    const QPointF length(width * line.dx * z / n, width * line.dy * z / n);
    const double share = width / n;
    const QPointF labelOffset(line.dx * share * z / 2 + 5, line.dy * share * z / 2);
    return { QLineF(from, from + length), from + labelOffset };
}

} // namespace norvel
