#pragma once

#include "services/services.h"

#include <QPointer>
#include <QWidget>

namespace norvel {

// The real ledger dialog, over the main window; its folder button opens the system's folder dialog.
class QtLedgerDialogBox final : public LedgerDialogBox {
public:
    void setParentWidget(QWidget* parent) { m_parent = parent; }
    [[nodiscard]] std::optional<LedgerRequest> askLedger(const QString& dayFolder, double judgementMm) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace norvel
