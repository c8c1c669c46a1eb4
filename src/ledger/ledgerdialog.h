#pragma once

#include "ledger/ledgerday.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QDialogButtonBox;
class QDoubleSpinBox;
class QLineEdit;

namespace norvel {

struct MeasurementEntry;

// "写真台帳作成": the day folder to make the ledger of and the judgement line. The folder is chosen through
// chooseFolder (nullopt: the user cancelled), so that a test never opens a file dialog.
class LedgerDialog : public QDialog {
    Q_OBJECT

public:
    using FolderChooser = std::function<std::optional<QString>()>;
    explicit LedgerDialog(FolderChooser chooseFolder, QWidget* parent = nullptr);

    void setDayFolder(const QString& folder);
    [[nodiscard]] QString dayFolder() const;
    void setJudgementMm(double mm);
    [[nodiscard]] double judgementMm() const;

private:
    void browse();
    void updateOk();

    FolderChooser m_chooseFolder;
    QLineEdit* m_dayFolder;
    QDoubleSpinBox* m_judgement;
    QDialogButtonBox* m_buttons;
};

// Writes 写真台帳_<day>.pdf and 集計_<day>.csv into the day folder (day: the folder's name), with a progress
// dialog whose 中止 cancels: then nothing new is written, false is returned and error left empty. On a failure
// false with error naming the file. pdfPath receives the ledger's path.
[[nodiscard]] bool makeLedger(QWidget* parent, const QString& dayFolder, const QList<MeasurementEntry>& entries,
    const std::optional<OpenResults>& open, double judgementMm, QString* pdfPath, QString* error);

} // namespace norvel
