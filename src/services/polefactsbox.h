#pragma once

#include "services/services.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;

namespace norvel {

// The pole's identity as the inspector types it: plate number, place and route, kind of pole, remarks. The plate
// completes from the plates known, and the line under it tells of the last inspection of the plate typed; a known
// plate chosen fills in the place and kind of pole it was last given, to be changed if they have. Digits, Latin
// letters and hyphens of the plate, place and kind become half width as they are typed.
class PoleFactsDialog final : public QDialog {
public:
    PoleFactsDialog(const QString& pole, const PoleFacts& current, const QStringList& knownPlates,
        std::function<QString(const QString& plate)> previousOf,
        std::function<std::optional<PoleFacts>(const QString& plate)> knownFactsOf = {}, QWidget* parent = nullptr);

    // What the fields hold, without the blanks around each text.
    [[nodiscard]] PoleFacts facts() const;

private:
    void showPrevious();
    void fillFromKnown(const QString& plate);

    std::function<QString(const QString& plate)> m_previousOf;
    std::function<std::optional<PoleFacts>(const QString& plate)> m_knownFactsOf;
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
        const QStringList& knownPlates, const std::function<QString(const QString& plate)>& previousOf,
        const std::function<std::optional<PoleFacts>(const QString& plate)>& knownFactsOf) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace norvel
