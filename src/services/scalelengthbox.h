#pragma once

#include "services/services.h"

#include <QPointer>
#include <QWidget>

namespace norvel {

// The real question for a ruler length, over the main window: it shows the scale the length gives, the
// described scale for the picture's size and how far apart they are, as the user types.
class QtScaleLengthBox final : public ScaleLengthBox {
public:
    void setParentWidget(QWidget* parent) { m_parent = parent; }
    [[nodiscard]] std::optional<double> askLengthMm(double linePx, QSize pictureSize) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace norvel
