#pragma once

#include "measure/range.h"

#include <QLineF>
#include <QPointF>
#include <QtGlobal>

#include <optional>
#include <vector>

// Measuring along a line the user drags on the view: the line in unmagnified display pixels, the picture
// points sampled along it about one picture pixel apart, and where the found run is marked.
namespace norvel {

// Start and extent in unmagnified display pixels, and the length in picture pixels; the line has
// samples 0 to n.
struct DraggedLine {
    qint16 sx = 0;
    qint16 sy = 0;
    qint16 dx = 0;
    qint16 dy = 0;
    qint16 n = 0;
    friend bool operator==(const DraggedLine&, const DraggedLine&) = default;
};

// The line from press to release in view pixels; nullopt when it is too short to sample (n = 0).
// Throws OverflowError when a value does not fit 16 bits.
[[nodiscard]] std::optional<DraggedLine> draggedLine(QPointF press, QPointF release, const ViewMapping& mapping);

// Picture points of samples 0 to n, held in single precision.
[[nodiscard]] std::vector<QPointF> linePoints(const DraggedLine& line, float dspRate);

// The segment of the dragged line (view pixels, from the press point) that covers samples start to
// start + width, and the top left corner of its label: 5 pixels right of the segment's middle.
struct LineRunMark {
    QLineF segment;
    QPointF labelTopLeft;
};
[[nodiscard]] LineRunMark lineRunMark(QPointF press, const DraggedLine& line, float zoom, qint16 start, qint16 width);

} // namespace norvel
