#include "widgets/clickablelabel.h"

#include <QMouseEvent>

namespace norvel {

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(0);
}

void ClickableLabel::setPressedLook(bool pressed)
{
    m_pressedLook = pressed;
    setFrameShadow(pressed ? QFrame::Sunken : QFrame::Raised);
    setLineWidth(pressed ? 1 : 0);
}

void ClickableLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    Q_EMIT pressed();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    Q_EMIT released();
    if (rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

} // namespace norvel
