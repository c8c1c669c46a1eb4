#pragma once

#include <QLabel>

namespace norvel {

// A label that works as a button: it reports the left button going down and up, and a click when the
// button comes up over it. The pressed look is the owner's to switch.
class ClickableLabel : public QLabel {
    Q_OBJECT

public:
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

    [[nodiscard]] bool pressedLook() const { return m_pressedLook; }
    void setPressedLook(bool pressed);

Q_SIGNALS:
    void pressed();
    void released();
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressedLook = false;
};

} // namespace norvel
