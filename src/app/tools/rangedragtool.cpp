#include "app/tools/rangedragtool.h"

#include "core/numbers.h"

namespace norvel {

RangeDragTool::RangeDragTool(qint16& heldX, qint16& heldY, Effects effects)
    : m_heldX(heldX)
    , m_heldY(heldY)
    , m_effects(std::move(effects))
{
}

void RangeDragTool::press(int button, QPointF at)
{
    if (button == LeftButton && !m_effects.wholePicture() && strictlyInside(m_effects.range(), at.x(), at.y())) {
        m_heldX = nearest(at.x());
        m_heldY = nearest(at.y());
    } else {
        m_heldX = 0;
        m_heldY = 0;
    }
}

void RangeDragTool::move(int buttons, QPointF at)
{
    if (buttons != LeftButton || m_heldX <= 0 || m_effects.wholePicture())
        return;
    m_effects.showRectangle(draggedTo(at));
}

void RangeDragTool::release(int button, QPointF at)
{
    if (button != LeftButton || m_heldX < 1 || m_effects.wholePicture())
        return;
    m_effects.moveRange(draggedTo(at));
}

QPoint RangeDragTool::draggedTo(QPointF at) const
{
    const QSizeF view = m_effects.view();
    return draggedTopLeft(
        m_effects.range(), QPoint(m_heldX, m_heldY), at.x(), at.y(), float(view.width()), float(view.height()));
}

} // namespace norvel
