#include "widgets/doubleclickwatch.h"

#include <QMouseEvent>
#include <QWidget>

namespace norvel {

DoubleClickWatch::DoubleClickWatch(QWidget* watched)
    : QObject(watched)
{
    watched->installEventFilter(this);
}

bool DoubleClickWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Q_EMIT doubleClicked();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace norvel
