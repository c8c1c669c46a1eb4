#include "ledger/ledgerdialog.h"

#include "files/durablefile.h"
#include "files/folderlisting.h"
#include "ledger/ledgerday.h"
#include "ledger/ledgerpdf.h"
#include "ledger/ledgersummary.h"
#include "results/measurementrecord.h"
#include "settings/ledgersettings.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <cerrno>

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

namespace {

QString written(const QString& what, const DurableFile& file, const QString& reason)
{
    return notWrittenMessage(what, file.fileName(), reason);
}

} // namespace

bool writeLedgerFiles(const LedgerDay& day, const LedgerOptions& options, DurableFile& pdf, DurableFile& csv,
    const std::function<bool(int done, int total)>& progress, QString* error, QList<LedgerProblem>* found)
{
    error->clear();
    const QString ledger = QStringLiteral("写真台帳");
    const QString summary = QStringLiteral("集計ファイル");
    if (!pdf.open(QIODevice::WriteOnly)) {
        *error = written(ledger, pdf, pdf.errorString());
        return false;
    }
    QString reason;
    // A disk that fills stops the ledger at the next page, not after the last.
    const auto step
        = [&pdf, &progress](int done, int total) { return !pdf.hasFailed() && (!progress || progress(done, total)); };
    if (!renderLedgerPdf(day, options, &pdf, step, &reason, found)) {
        if (pdf.hasFailed())
            reason = pdf.errorString();
        pdf.cancelWriting();
        if (!reason.isEmpty())
            *error = written(ledger, pdf, reason);
        return false;
    }
    // Both complete on disk before either takes the place of the old one: a disk that fills in between
    // leaves the old pair.
    if (!pdf.prepareCommit()) {
        *error = written(ledger, pdf, pdf.errorString());
        return false;
    }
    const QByteArray content = summaryCsv(day, options.lines, options.previous);
    if (!csv.open(QIODevice::WriteOnly) || csv.write(content) != content.size() || !csv.prepareCommit()) {
        *error = written(summary, csv, csv.errorString());
        csv.cancelWriting();
        pdf.cancelWriting();
        return false;
    }
    if (!pdf.commit()) {
        *error = written(ledger, pdf, pdf.errorString());
        csv.cancelWriting();
        return false;
    }
    if (!csv.commit()) {
        *error = written(summary, csv, csv.errorString())
            + QStringLiteral("\n写真台帳は新しくなりましたが、集計ファイルは前のままです。");
        return false;
    }
    return true;
}

QString ledgerNotes(const LedgerDay& day, const QList<LedgerProblem>& found, int listed)
{
    QStringList lines;
    const qsizetype problems = day.problems.size() + day.unlistedProblems + found.size();
    if (problems > 0) {
        lines << QStringLiteral("読めなかったファイル: %1 件（写真台帳にも書いています）").arg(problems);
        qsizetype named = 0;
        for (const QList<LedgerProblem>* list : { &day.problems, &found }) {
            for (const LedgerProblem& problem : *list) {
                if (named == listed)
                    break;
                lines << QStringLiteral("・") + problemLine(problem);
                ++named;
            }
        }
        if (problems > named)
            lines << QStringLiteral("ほか %1 件").arg(problems - named);
    }
    if (day.outOfRange > 0)
        lines << QStringLiteral(
            "範囲外の幅: %1 行（0〜%2mm の外。最大・平均・グラフに入れず、表に「範囲外」と書いています）")
                     .arg(day.outOfRange)
                     .arg(LargestWidthMm);
    return lines.join(u'\n');
}

bool makeLedgerFiles(const LedgerJob& job, const std::function<bool(int done, int total)>& progress, QString* pdfPath,
    QString* error, QString* notes)
{
    error->clear();
    notes->clear();
    const QDir folder(job.dayFolder);
    *pdfPath = job.pdfPath.isEmpty() ? folder.filePath(ledgerPdfFileName(folder.dirName())) : job.pdfPath;
    // Said before any work: the whole ledger is not rendered only to fail at writing it.
    const PathType dayFolderType = followedPathType(QFile::encodeName(job.dayFolder));
    QString fault;
    if (dayFolderType.error != 0)
        fault = dayFolderType.error == ENOENT
            ? QStringLiteral("がありません")
            : QStringLiteral("を開けません（%1）").arg(qt_error_string(dayFolderType.error));
    else if (dayFolderType.type != EntryType::Folder)
        fault = QStringLiteral("はフォルダではありません");
    if (!fault.isEmpty()) {
        *error = QStringLiteral("日付のフォルダ「%1」%2。写真台帳は作りませんでした。")
                     .arg(QDir::toNativeSeparators(job.dayFolder), fault);
        return false;
    }
    const LedgerDay day = readLedgerDay(job.dayFolder, job.open);
    if (!progress(0, 1))
        return false;
    DurableFile pdf(*pdfPath);
    // The summary goes where the ledger goes: the two are handed on together.
    DurableFile csv(QFileInfo(*pdfPath).dir().filePath(summaryCsvFileName(day.day)));
    QList<LedgerProblem> found;
    if (!writeLedgerFiles(day, job.options, pdf, csv, progress, error, &found))
        return false;
    *notes = ledgerNotes(day, found);
    return true;
}

bool makeLedger(QWidget* parent, const QString& dayFolder, const std::optional<OpenResults>& open,
    const LedgerOptions& options, QString* pdfPath, QString* error, QString* notes)
{
    // A folder that is not there is refused without a progress dialog flashing up.
    if (!QFileInfo(dayFolder).isDir())
        return makeLedgerFiles(
            { dayFolder, {}, open, options }, [](int, int) { return true; }, pdfPath, error, notes);
    QProgressDialog progress(QStringLiteral("写真台帳を作成しています…"), QStringLiteral("中止"), 0, 1, parent);
    progress.setWindowTitle(QStringLiteral("写真台帳作成"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setLabelText(QStringLiteral("結果ファイルと測定記録を読んでいます…"));
    progress.setValue(0);
    QCoreApplication::processEvents();
    const QString making = QStringLiteral("写真台帳を作成しています…");
    const auto step = [&progress, &making](int done, int total) {
        if (progress.labelText() != making)
            progress.setLabelText(making);
        progress.setMaximum(total);
        progress.setValue(done);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };
    return makeLedgerFiles({ dayFolder, {}, open, options }, step, pdfPath, error, notes);
}

void removeStaleLedgerFiles(const QString& dayFolder)
{
    const QDir folder(dayFolder);
    removeStaleTemporaries(folder.filePath(ledgerPdfFileName(folder.dirName())));
    removeStaleTemporaries(folder.filePath(summaryCsvFileName(folder.dirName())));
}

void removeStaleLedgerFilesOfDays(const QString& programFolder)
{
    static const QRegularExpression dayName(QStringLiteral("^[0-9]{8}$"));
    const QDir program(programFolder);
    for (const QString& name : program.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (dayName.match(name).hasMatch())
            removeStaleLedgerFiles(program.filePath(name));
    }
}

} // namespace norvel
