#include "app/form1.h"

#include "ledger/ledgerday.h"
#include "ledger/ledgerdialog.h"
#include "results/polenumber.h"
#include "settings/ledgersettings.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>

// The photo ledger of a survey day, made from its result files, filed pictures and measurement record.
namespace norvel {

void Form1::Ledger_Click()
{
    QString error;
    LedgerSettings settings = readLedgerSettings(m_services.programFolder, &error);
    if (!error.isEmpty())
        report(error);
    const QString today = dayFolderPath(m_services.programFolder, m_services.clock->now().date());
    // What ledgers killed while they were written left behind: up to the size of a whole ledger each.
    removeStaleLedgerFilesOfDays(m_services.programFolder);
    const std::optional<LedgerRequest> request
        = m_services.ledger ? m_services.ledger->askLedger(today, settings.judgementMm) : std::nullopt;
    if (!request)
        return;
    if (request->judgementMm != settings.judgementMm) {
        settings.judgementMm = request->judgementMm;
        if (!writeLedgerSettings(m_services.programFolder, settings, &error))
            report(error);
    }
    // Lines still on their way to the record belong in the ledger.
    m_log.onDisk();
    // The pole in hand is in its result file only once the pole changes: the ledger shows the list as it is.
    std::optional<OpenResults> listed;
    const QString listFolder = dayFolderPath(m_services.programFolder, listDay());
    if (Check1->isChecked() && QFileInfo(request->dayFolder) == QFileInfo(listFolder))
        listed = OpenResults { m_state.CurTyoNo, resultWidths() };
    QString pdfPath;
    QString notes;
    // The progress dialog is modal too.
    const ModalScope open(m_modal);
    if (makeLedger(this, request->dayFolder, listed, request->judgementMm, &pdfPath, &error, &notes)) {
        QString text = QStringLiteral("写真台帳「%1」を作成しました。").arg(QDir::toNativeSeparators(pdfPath));
        if (!notes.isEmpty())
            text += QStringLiteral("\n\n") + notes;
        m_services.errors->showNotice(text);
    } else if (!error.isEmpty()) {
        m_services.errors->showError(error);
    }
}

} // namespace norvel
