#include "services/ledgerdialogbox.h"

#include "ledger/ledgerdialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace norvel {

std::optional<LedgerRequest> QtLedgerDialogBox::askLedger(const QString& dayFolder, const JudgementLines& lines,
    const LedgerChoices& choices, const std::function<SurveyHeader(const QString& dayFolder)>& dayHeader)
{
    QWidget* parent = m_parent;
    const auto chooser = [parent](const QString& title, const QString& start) {
        return [parent, title, start]() -> std::optional<QString> {
            const QString chosen = QFileDialog::getExistingDirectory(parent, title, start);
            if (chosen.isEmpty())
                return std::nullopt;
            return chosen;
        };
    };
    const QString besideDay = QFileInfo(dayFolder).path();
    LedgerDialog dialog(chooser(QStringLiteral("写真台帳を作る日のフォルダ"), besideDay),
        chooser(QStringLiteral("過去の調査のフォルダ"), choices.pastFolder.isEmpty() ? besideDay : choices.pastFolder),
        parent);
    dialog.setDayFolder(dayFolder);
    dialog.setLines(lines);
    dialog.setChoices(choices);
    dialog.setDayHeaders(dayHeader);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return LedgerRequest { dialog.dayFolder(), dialog.lines(), dialog.choices() };
}

} // namespace norvel
