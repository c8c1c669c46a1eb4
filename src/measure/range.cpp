#include "measure/range.h"

#include "core/numbers.h"

namespace norvel {

namespace {

// One coordinate of a drag, stopped at 0 and at the far edge less the rectangle's size.
qint16 clampedEdge(qint16 candidate, float innerSize, qint16 size)
{
    if (candidate < 0)
        return 0;
    const float farthest = innerSize - static_cast<float>(size);
    if (static_cast<float>(candidate) > farthest)
        return nearest(farthest);
    return candidate;
}

} // namespace

AnalysisRange wholeRange(float innerWidth, float innerHeight)
{
    return { { 0, nearest(innerWidth) }, { 0, nearest(innerHeight) } };
}

AnalysisRange centredRange(float innerWidth, float innerHeight, float zoom)
{
    const qint16 width = nearest(innerWidth / zoom);
    const qint16 height = nearest(innerHeight / zoom);
    const qint16 left = nearest(innerWidth / 2 - static_cast<float>(width) / 2);
    const qint16 top = nearest(innerHeight / 2 - static_cast<float>(height) / 2);
    return { { left, width }, { top, height } };
}

std::array<QLineF, 4> rectangleSides(QPoint topLeft, qint16 width, qint16 height)
{
    const QPointF a = topLeft;
    const QPointF b(a.x() + width, a.y());
    const QPointF c(a.x() + width, a.y() + height);
    const QPointF d(a.x(), a.y() + height);
    return { QLineF(a, d), QLineF(a, b), QLineF(b, c), QLineF(d, c) };
}

bool strictlyInside(const AnalysisRange& range, double x, double y)
{
    return range.x[0] < x && x < range.x[0] + range.x[1] && range.y[0] < y && y < range.y[0] + range.y[1];
}

QPoint draggedTopLeft(
    const AnalysisRange& atPress, QPoint press, double x, double y, float innerWidth, float innerHeight)
{
    const qint16 left = nearest(static_cast<float>(atPress.x[0]) + static_cast<float>(x) - press.x());
    const qint16 top = nearest(static_cast<float>(atPress.y[0]) + static_cast<float>(y) - press.y());
    return { clampedEdge(left, innerWidth, atPress.x[1]), clampedEdge(top, innerHeight, atPress.y[1]) };
}

QRectF magnifiedSource(const AnalysisRange& range, float dspRate)
{
    const auto image = [dspRate](qint16 v) { return static_cast<double>(static_cast<float>(v) / dspRate); };
    return { image(range.x[0]), image(range.y[0]), image(range.x[1]), image(range.y[1]) };
}

QPointF imageToView(const ViewMapping& mapping, QPointF image)
{
    const float x = (static_cast<float>(image.x()) * mapping.dspRate - mapping.left) * mapping.zoom;
    const float y = (static_cast<float>(image.y()) * mapping.dspRate - mapping.top) * mapping.zoom;
    return { x, y };
}

} // namespace norvel
