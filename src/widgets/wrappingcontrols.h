#pragma once

#include <QCheckBox>
#include <QPushButton>

namespace norvel {

// A button whose caption wraps onto further lines when it does not fit, as the window's small buttons
// need ("「USB Video Device」検索" on an 81-pixel button).
class WrappingButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A check box whose caption wraps beside the box; the whole control takes clicks.
class WrappingCheckBox : public QCheckBox {
    Q_OBJECT

public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent* event) override;
    [[nodiscard]] bool hitButton(const QPoint& pos) const override;
};

} // namespace norvel
