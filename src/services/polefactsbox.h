#pragma once

#include "services/services.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;

namespace norvel {

// The pole's identity as the inspector types it: plate number, place and route, kind of pole, remarks. The plate
// completes from the plates known, and the line under it tells of the last inspection of the plate typed.
class PoleFactsDialog final : public QDialog {
public:
    PoleFactsDialog(const QString& pole, const PoleFacts& current, const QStringList& knownPlates,
        std::function<QString(const QString& plate)> previousOf, QWidget* parent = nullptr);

    // What the fields hold, without the blanks around each text.
    [[nodiscard]] PoleFacts facts() const;

private:
    void showPrevious();

    std::function<QString(const QString& plate)> m_previousOf;
    QLineEdit* m_plate = nullptr;
    QLineEdit* m_place = nullptr;
    QLineEdit* m_type = nullptr;
    QLineEdit* m_remarks = nullptr;
    QLabel* m_previous = nullptr;
};

// The real pole facts dialog, over the main window.
class QtPoleFactsBox final : public PoleFactsBox {
public:
    void setParentWidget(QWidget* parent) { m_parent = parent; }
    [[nodiscard]] std::optional<PoleFacts> askPoleFacts(const QString& pole, const PoleFacts& current,
        const QStringList& knownPlates, const std::function<QString(const QString& plate)>& previousOf) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace norvel
