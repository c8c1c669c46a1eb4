#pragma once

#include <QLineF>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QtGlobal>

#include <array>

// The analysis range on the shown picture: the whole drawing area, or a rectangle of 1/zoom of it that
// the user drags, and the mapping between view, display and picture pixels that measuring relies on.
// Sizes and positions are single precision and rounded with nearest(), as the stored results were.
namespace norvel {

// Left edge and width (x), top edge and height (y), in unmagnified display pixels.
struct AnalysisRange {
    std::array<qint16, 2> x { 0, 0 };
    std::array<qint16, 2> y { 0, 0 };

    [[nodiscard]] QPoint topLeft() const { return { x[0], y[0] }; }
    friend bool operator==(const AnalysisRange&, const AnalysisRange&) = default;
};

// These throw OverflowError when a value does not fit 16 bits.
[[nodiscard]] AnalysisRange wholeRange(float innerWidth, float innerHeight);
[[nodiscard]] AnalysisRange centredRange(float innerWidth, float innerHeight, float zoom);

// The rectangle's sides in the order left, top, right, bottom.
[[nodiscard]] std::array<QLineF, 4> rectangleSides(QPoint topLeft, qint16 width, qint16 height);

// Strictly inside: a point on a side does not count.
[[nodiscard]] bool strictlyInside(const AnalysisRange& range, double x, double y);

// Where the rectangle's top left lies after a drag from the press point to (x, y). The displacement is
// applied to the range as it was at the press, and the rectangle stops at the edges of the drawing area.
[[nodiscard]] QPoint draggedTopLeft(
    const AnalysisRange& atPress, QPoint press, double x, double y, float innerWidth, float innerHeight);

// The picture pixels, fractional, that the magnified view stretches over the whole drawing area.
[[nodiscard]] QRectF magnifiedSource(const AnalysisRange& range, float dspRate);

// View pixels against picture pixels. The magnification is taken as zoom rather than as the exact stretch
// of the painted view; the two differ only by the rounding of the range's size.
struct ViewMapping {
    float dspRate = 0;
    float zoom = 1;
    qint16 left = 0; // range origin in unmagnified display pixels
    qint16 top = 0;
};

[[nodiscard]] QPointF imageToView(const ViewMapping& mapping, QPointF image);

} // namespace norvel
