#include "ledger/ledgerdialog.h"

#include "ledger/ledgerday.h"
#include "ledger/ledgerpdf.h"
#include "ledger/ledgersettings.h"
#include "platform/durablefile.h"
#include "results/measurementrecord.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace norvel {

LedgerDialog::LedgerDialog(FolderChooser chooseFolder, QWidget* parent)
    : QDialog(parent)
    , m_chooseFolder(std::move(chooseFolder))
    , m_dayFolder(new QLineEdit(this))
    , m_judgement(new QDoubleSpinBox(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(QStringLiteral("写真台帳作成"));
    m_dayFolder->setObjectName(QStringLiteral("dayFolder"));
    m_dayFolder->setMinimumWidth(320);
    auto* browse = new QPushButton(QStringLiteral("参照…"), this);
    browse->setObjectName(QStringLiteral("browse"));
    m_judgement->setObjectName(QStringLiteral("judgementMm"));
    m_judgement->setRange(MinimumJudgementMm, MaximumJudgementMm);
    m_judgement->setDecimals(2);
    m_judgement->setSingleStep(0.05);
    m_judgement->setSuffix(QStringLiteral(" mm"));
    m_judgement->setValue(DefaultJudgementMm);
    m_buttons->setObjectName(QStringLiteral("buttons"));

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_dayFolder, 1);
    folderRow->addWidget(browse);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("日付のフォルダ"), folderRow);
    form->addRow(QStringLiteral("判定線（以上は要注意）"), m_judgement);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_buttons);

    connect(browse, &QPushButton::clicked, this, &LedgerDialog::browse);
    connect(m_dayFolder, &QLineEdit::textChanged, this, &LedgerDialog::updateOk);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateOk();
}

void LedgerDialog::setDayFolder(const QString& folder)
{
    m_dayFolder->setText(QDir::toNativeSeparators(folder));
}

QString LedgerDialog::dayFolder() const
{
    return QDir::fromNativeSeparators(m_dayFolder->text().trimmed());
}

void LedgerDialog::setJudgementMm(double mm)
{
    m_judgement->setValue(mm);
}

double LedgerDialog::judgementMm() const
{
    return m_judgement->value();
}

void LedgerDialog::browse()
{
    if (const std::optional<QString> folder = m_chooseFolder())
        setDayFolder(*folder);
}

void LedgerDialog::updateOk()
{
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!dayFolder().isEmpty());
}

bool makeLedger(QWidget* parent, const QString& dayFolder, const QList<MeasurementEntry>& entries,
    const std::optional<OpenResults>& open, double judgementMm, QString* pdfPath, QString* error)
{
    error->clear();
    const LedgerDay day = loadLedgerDay(dayFolder, entries, open);
    const QDir folder(dayFolder);
    *pdfPath = folder.filePath(ledgerPdfFileName(day.day));

    QProgressDialog progress(QStringLiteral("写真台帳を作成しています…"), QStringLiteral("中止"), 0, 1, parent);
    progress.setWindowTitle(QStringLiteral("写真台帳作成"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    const auto step = [&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };
    if (!writeLedgerPdf(day, judgementMm, *pdfPath, step, error))
        return false;

    const QString csvPath = folder.filePath(summaryCsvFileName(day.day));
    QString reason;
    if (writeFileDurably(csvPath, summaryCsv(day, judgementMm), &reason))
        return true;
    *error = QStringLiteral("集計ファイル「%1」を書き込めませんでした。\n%2")
                 .arg(QDir::toNativeSeparators(csvPath), reason);
    return false;
}

} // namespace norvel
