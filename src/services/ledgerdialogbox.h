#pragma once

#include "services/services.h"

#include <QPointer>
#include <QWidget>

namespace norvel {

// The real ledger dialog, over the main window; its folder buttons open the system's folder dialog.
class QtLedgerDialogBox final : public LedgerDialogBox {
public:
    void setParentWidget(QWidget* parent) { m_parent = parent; }
    [[nodiscard]] std::optional<LedgerRequest> askLedger(const QString& dayFolder, const JudgementLines& lines,
        const LedgerChoices& choices, const std::function<SurveyHeader(const QString& dayFolder)>& dayHeader) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace norvel
