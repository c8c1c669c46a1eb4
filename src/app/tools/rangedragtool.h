#pragma once

#include "app/tools/picturetool.h"
#include "measure/range.h"

#include <QPoint>
#include <QSizeF>

#include <functional>

namespace norvel {

// Dragging the magnified analysis range's rectangle with the left button: a press strictly inside it takes
// hold, moves show it where it would go (kept within the view), and the release puts the range there. With the
// whole picture chosen there is nothing to drag.
class RangeDragTool final : public PictureTool {
public:
    struct Effects {
        std::function<AnalysisRange()> range;
        std::function<bool()> wholePicture;
        std::function<QSizeF()> view; // the picture box's inner size
        std::function<void(QPoint topLeft)> showRectangle;
        std::function<void(QPoint topLeft)> moveRange;
    };
    // heldX and heldY keep the press point (0 when nothing is held), where the window shows its state.
    RangeDragTool(qint16& heldX, qint16& heldY, Effects effects);

    void press(int button, QPointF at) override;
    void move(int buttons, QPointF at) override;
    void release(int button, QPointF at) override;

private:
    [[nodiscard]] QPoint draggedTo(QPointF at) const;

    qint16& m_heldX;
    qint16& m_heldY;
    Effects m_effects;
};

} // namespace norvel
