#include "services/ledgerdialogbox.h"

#include "ledger/ledgerdialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace norvel {

std::optional<LedgerRequest> QtLedgerDialogBox::askLedger(const QString& dayFolder, double judgementMm)
{
    QWidget* parent = m_parent;
    LedgerDialog dialog(
        [parent, dayFolder]() -> std::optional<QString> {
            const QString chosen = QFileDialog::getExistingDirectory(
                parent, QStringLiteral("写真台帳を作る日のフォルダ"), QFileInfo(dayFolder).path());
            if (chosen.isEmpty())
                return std::nullopt;
            return chosen;
        },
        parent);
    dialog.setDayFolder(dayFolder);
    dialog.setJudgementMm(judgementMm);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return LedgerRequest { dialog.dayFolder(), dialog.judgementMm() };
}

} // namespace norvel
