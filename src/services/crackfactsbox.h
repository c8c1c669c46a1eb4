#pragma once

#include "services/services.h"

#include <QDialog>
#include <QPointer>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace norvel {

// A crack's facts as the inspector confirms them on site: its number among the pole's cracks, direction, height
// above the ground, face of the pole, rust stains and remarks. OK stays unavailable while the height is not a height
// a pole can have or the number not a crack number (empty: the row's).
class CrackFactsDialog final : public QDialog {
public:
    CrackFactsDialog(const QString& pole, int row, const CrackFacts& current, QWidget* parent = nullptr);

    // What the fields hold; only meaningful while heightUsable().
    [[nodiscard]] CrackFacts facts() const;
    [[nodiscard]] bool heightUsable() const;
    [[nodiscard]] bool numberUsable() const;

private:
    QLineEdit* m_number = nullptr;
    QComboBox* m_direction = nullptr;
    QLineEdit* m_height = nullptr;
    QComboBox* m_face = nullptr;
    QComboBox* m_rust = nullptr;
    QLineEdit* m_remarks = nullptr;
    QPushButton* m_ok = nullptr;
};

// The real crack facts dialog, over the main window.
class QtCrackFactsBox final : public CrackFactsBox {
public:
    void setParentWidget(QWidget* parent) { m_parent = parent; }
    [[nodiscard]] std::optional<CrackFacts> askCrackFacts(
        const QString& pole, int row, const CrackFacts& current) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace norvel
