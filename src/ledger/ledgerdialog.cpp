#include "ledger/ledgerdialog.h"

#include "files/durablefile.h"
#include "files/folderlisting.h"
#include "ledger/ledgerday.h"
#include "ledger/ledgerpdf.h"
#include "ledger/ledgersummary.h"
#include "results/measurementrecord.h"
#include "settings/ledgersettings.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <cerrno>

namespace norvel {

namespace {

struct LineField {
    const char* name;
    const char* label;
    double JudgementLines::*mm;
};

constexpr LineField LineFields[] = {
    { "transverseMm", "横", &JudgementLines::transverse },
    { "longitudinalMm", "縦", &JudgementLines::longitudinal },
    { "obliqueMm", "斜め", &JudgementLines::oblique },
};

} // namespace

LedgerDialog::LedgerDialog(FolderChooser chooseDayFolder, FolderChooser choosePastFolder, QWidget* parent)
    : QDialog(parent)
    , m_chooseDayFolder(std::move(chooseDayFolder))
    , m_choosePastFolder(std::move(choosePastFolder))
    , m_dayFolder(new QLineEdit(this))
    , m_pastFolder(new QLineEdit(this))
    , m_pastMissing(new QLabel(QStringLiteral("このフォルダはありません。"), this))
    , m_formThree(new QRadioButton(QStringLiteral("三枚（1ページに3枚）"), this))
    , m_formSix(new QRadioButton(QStringLiteral("六枚（1ページに6枚）"), this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(QStringLiteral("写真台帳作成"));
    m_buttons->setObjectName(QStringLiteral("buttons"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folderRows());
    layout->addWidget(headerBox());
    layout->addWidget(linesBox());
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setChoices({});
    setLines({});
    updateOk();
}

QLayout* LedgerDialog::folderRows()
{
    m_dayFolder->setObjectName(QStringLiteral("dayFolder"));
    m_dayFolder->setMinimumWidth(320);
    m_pastFolder->setObjectName(QStringLiteral("pastFolder"));
    m_pastFolder->setPlaceholderText(QStringLiteral("なし"));
    m_pastMissing->setObjectName(QStringLiteral("pastMissing"));
    m_formThree->setObjectName(QStringLiteral("formThree"));
    m_formSix->setObjectName(QStringLiteral("formSix"));
    auto* forms = new QButtonGroup(this);
    forms->addButton(m_formThree);
    forms->addButton(m_formSix);

    const auto withBrowse = [this](QLineEdit* folder, const char* name, const FolderChooser& choose) {
        auto* browse = new QPushButton(QStringLiteral("参照…"), this);
        browse->setObjectName(QLatin1String(name));
        connect(browse, &QPushButton::clicked, this, [folder, chooser = &choose] {
            if (const std::optional<QString> chosen = (*chooser)())
                folder->setText(QDir::toNativeSeparators(*chosen));
        });
        connect(folder, &QLineEdit::textChanged, this, &LedgerDialog::updateOk);
        auto* row = new QHBoxLayout;
        row->addWidget(folder, 1);
        row->addWidget(browse);
        return row;
    };
    auto* formRow = new QHBoxLayout;
    formRow->addWidget(m_formThree);
    formRow->addWidget(m_formSix);
    formRow->addStretch(1);
    auto* rows = new QFormLayout;
    rows->addRow(QStringLiteral("日付のフォルダ"), withBrowse(m_dayFolder, "browse", m_chooseDayFolder));
    connect(m_dayFolder, &QLineEdit::textChanged, this, &LedgerDialog::followDayFolder);
    rows->addRow(QStringLiteral("過去の調査のフォルダ"), withBrowse(m_pastFolder, "browsePast", m_choosePastFolder));
    rows->addRow(QString(), m_pastMissing);
    rows->addRow(QStringLiteral("様式"), formRow);
    return rows;
}

// The header's fields in two columns: the title across, the rest in pairs.
QGroupBox* LedgerDialog::headerBox()
{
    auto* box = new QGroupBox(QStringLiteral("調査の表題"), this);
    auto* grid = new QGridLayout(box);
    for (std::size_t i = 0; i < m_header.size(); ++i) {
        m_header[i] = new QLineEdit(box);
        m_header[i]->setObjectName(QLatin1String(SurveyFields[i].key));
        // A longer text would not be read back.
        m_header[i]->setMaxLength(MaxHeaderTextLength);
        connect(m_header[i], &QLineEdit::textEdited, this, [this] { m_headerTyped = true; });
        auto* label = new QLabel(QString::fromUtf8(SurveyFields[i].label), box);
        label->setBuddy(m_header[i]);
        const int row = i == 0 ? 0 : static_cast<int>(i + 1) / 2;
        const int column = i == 0 || i % 2 == 1 ? 0 : 2;
        grid->addWidget(label, row, column);
        grid->addWidget(m_header[i], row, column + 1, 1, i == 0 ? 3 : 1);
    }
    return box;
}

void LedgerDialog::setDayHeaders(DayHeaders dayHeaders)
{
    m_dayHeaders = std::move(dayHeaders);
}

void LedgerDialog::followDayFolder()
{
    if (!m_dayHeaders || m_headerTyped || dayFolder().isEmpty())
        return;
    const SurveyHeader header = m_dayHeaders(dayFolder());
    for (std::size_t i = 0; i < m_header.size(); ++i)
        m_header[i]->setText(header.*SurveyFields[i].text);
}

QGroupBox* LedgerDialog::linesBox()
{
    auto* box = new QGroupBox(QStringLiteral("判定線（以上は要注意）"), this);
    auto* row = new QHBoxLayout(box);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        m_lines[i] = new QDoubleSpinBox(box);
        m_lines[i]->setObjectName(QLatin1String(LineFields[i].name));
        m_lines[i]->setRange(MinimumJudgementMm, MaximumJudgementMm);
        m_lines[i]->setDecimals(2);
        m_lines[i]->setSingleStep(0.05);
        m_lines[i]->setSuffix(QStringLiteral(" mm"));
        auto* label = new QLabel(QString::fromUtf8(LineFields[i].label), box);
        label->setBuddy(m_lines[i]);
        row->addWidget(label);
        row->addWidget(m_lines[i]);
    }
    row->addStretch(1);
    return box;
}

void LedgerDialog::setDayFolder(const QString& folder)
{
    m_dayFolder->setText(QDir::toNativeSeparators(folder));
}

QString LedgerDialog::dayFolder() const
{
    return QDir::fromNativeSeparators(m_dayFolder->text().trimmed());
}

void LedgerDialog::setLines(const JudgementLines& lines)
{
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        m_lines[i]->setValue(lines.*LineFields[i].mm);
}

JudgementLines LedgerDialog::lines() const
{
    JudgementLines lines;
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        lines.*LineFields[i].mm = m_lines[i]->value();
    return lines;
}

void LedgerDialog::setChoices(const LedgerChoices& choices)
{
    for (std::size_t i = 0; i < m_header.size(); ++i)
        m_header[i]->setText(choices.header.*SurveyFields[i].text);
    (choices.form == LedgerForm::SixPerPage ? m_formSix : m_formThree)->setChecked(true);
    m_pastFolder->setText(QDir::toNativeSeparators(choices.pastFolder));
}

LedgerChoices LedgerDialog::choices() const
{
    LedgerChoices choices;
    for (std::size_t i = 0; i < m_header.size(); ++i)
        choices.header.*SurveyFields[i].text = m_header[i]->text().trimmed();
    choices.form = m_formSix->isChecked() ? LedgerForm::SixPerPage : LedgerForm::ThreePerPage;
    choices.pastFolder = pastFolder();
    return choices;
}

QString LedgerDialog::pastFolder() const
{
    return QDir::fromNativeSeparators(m_pastFolder->text().trimmed());
}

// A past folder that is not there would leave every previous inspection out without a word.
void LedgerDialog::updateOk()
{
    const QString past = pastFolder();
    const bool pastMissing = !past.isEmpty() && !isFolder(past);
    m_pastMissing->setVisible(pastMissing);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!dayFolder().isEmpty() && !pastMissing);
}

namespace {

QString written(const QString& what, const DurableFile& file, const QString& reason)
{
    return notWrittenMessage(what, file.fileName(), reason);
}

} // namespace

bool writeLedgerFiles(const LedgerDay& day, const LedgerOptions& options, DurableFile& pdf, DurableFile& csv,
    const std::function<bool(int done, int total)>& progress, QString* error, QList<LedgerProblem>* found,
    DurableFile* cracks)
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
    struct Csv {
        QString what;
        DurableFile* file;
        QByteArray content;
    };
    QList<Csv> csvs { { summary, &csv, summaryCsv(day, options.lines, options.previous) } };
    if (cracks)
        csvs.append({ QStringLiteral("ひび割れ一覧ファイル"), cracks, crackCsv(day, options.lines, options.previous) });
    const auto cancelAll = [&csvs](qsizetype from) {
        for (qsizetype i = from; i < csvs.size(); ++i)
            csvs[i].file->cancelWriting();
    };
    for (qsizetype i = 0; i < csvs.size(); ++i) {
        DurableFile& file = *csvs[i].file;
        if (!file.open(QIODevice::WriteOnly) || file.write(csvs[i].content) != csvs[i].content.size()
            || !file.prepareCommit()) {
            *error = written(csvs[i].what, file, file.errorString());
            cancelAll(0);
            pdf.cancelWriting();
            return false;
        }
    }
    if (!pdf.commit()) {
        *error = written(ledger, pdf, pdf.errorString());
        cancelAll(0);
        return false;
    }
    for (qsizetype i = 0; i < csvs.size(); ++i) {
        if (!csvs[i].file->commit()) {
            QStringList renewed { QStringLiteral("写真台帳") };
            for (qsizetype done = 0; done < i; ++done)
                renewed << csvs[done].what;
            *error = written(csvs[i].what, *csvs[i].file, csvs[i].file->errorString())
                + QStringLiteral("\n%1は新しくなりましたが、%2は前のままです。")
                      .arg(renewed.join(QStringLiteral("と")), csvs[i].what);
            cancelAll(i + 1);
            return false;
        }
    }
    return true;
}

QString ledgerNotes(const LedgerDay& day, const QList<LedgerProblem>& found, int listed)
{
    QStringList lines;
    if (day.unsaved)
        lines << UnsavedHeadline << unsavedText(*day.unsaved);
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
    *pdfPath
        = job.pdfPath.isEmpty() ? folder.filePath(ledgerPdfFileName(folder.dirName(), job.options.form)) : job.pdfPath;
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
    LedgerDay day = readLedgerDay(job.dayFolder);
    // Named with the day's own, on the cover and in the notes.
    if (job.options.previous)
        addPastFactsProblems(day, *job.options.previous);
    if (!progress(0, 1))
        return false;
    // The lists go where the ledger goes: the three are handed on together.
    const QStringList paths = ledgerFilePaths(*pdfPath, day.day);
    DurableFile pdf(paths[0]);
    DurableFile csv(paths[1]);
    DurableFile cracks(paths[2]);
    QList<LedgerProblem> found;
    if (!writeLedgerFiles(day, job.options, pdf, csv, progress, error, &found, &cracks))
        return false;
    *notes = ledgerNotes(day, found);
    return true;
}

QStringList ledgerFilePaths(const QString& pdfPath, const QString& day)
{
    const QDir beside = QFileInfo(pdfPath).dir();
    return { pdfPath, beside.filePath(summaryCsvFileName(day)), beside.filePath(crackCsvFileName(day)) };
}

bool makeLedger(QWidget* parent, const QString& dayFolder, const LedgerOptions& options, QString* pdfPath,
    QString* error, QString* notes)
{
    // A folder that is not there is refused without a progress dialog flashing up.
    if (!isFolder(dayFolder))
        return makeLedgerFiles(
            { dayFolder, {}, options }, [](int, int) { return true; }, pdfPath, error, notes);
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
    return makeLedgerFiles({ dayFolder, {}, options }, step, pdfPath, error, notes);
}

void removeStaleLedgerFiles(const QString& dayFolder)
{
    const QDir folder(dayFolder);
    for (const LedgerForm form : { LedgerForm::ThreePerPage, LedgerForm::SixPerPage })
        removeStaleTemporaries(folder.filePath(ledgerPdfFileName(folder.dirName(), form)));
    removeStaleTemporaries(folder.filePath(summaryCsvFileName(folder.dirName())));
    removeStaleTemporaries(folder.filePath(crackCsvFileName(folder.dirName())));
}

void removeStaleLedgerFilesOfDays(const QString& programFolder)
{
    static const QRegularExpression dayName(QStringLiteral("^[0-9]{8}$"));
    const QDir program(programFolder);
    QString unreadable; // nothing to tidy in a folder that cannot be read
    for (const QByteArray& native : subfolderNames(QFile::encodeName(programFolder), &unreadable)) {
        const QString name = QFile::decodeName(native);
        if (dayName.match(name).hasMatch())
            removeStaleLedgerFiles(program.filePath(name));
    }
}

} // namespace norvel
