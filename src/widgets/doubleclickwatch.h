#pragma once

#include <QObject>

class QWidget;

namespace norvel {

// Tells of a double click with the left button on a widget that has no signal for one, as a label. It belongs
// to the widget it watches.
class DoubleClickWatch : public QObject {
    Q_OBJECT

public:
    explicit DoubleClickWatch(QWidget* watched);

Q_SIGNALS:
    void doubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace norvel
