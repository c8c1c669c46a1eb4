#include "app/form1.h"

#include "core/numbers.h"
#include "files/durablefile.h"
#include "files/regularfile.h"
#include "results/polenumber.h"
#include "widgets/flexgrid.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>

#include <cerrno>

// The survey pole number and the pole's result file.
namespace norvel {

namespace {
const QString OverwriteQuestion = QStringLiteral("同一ファイルがあります。上書きしますか？");
}

void Form1::Label4_Click(int Index)
{
    // Setting the text runs the pole change; a text the step leaves as it is changes nothing.
    Text4->setText(steppedPoleNumber(Text4->text(), 2 * Index - 1));
}

void Form1::Text4_Change()
{
    const QString pole = Text4->text();
    const QString problem = poleNumberProblem(pole);
    const bool usable = problem.isEmpty();
    // Refused before anything is written, so CurTyoNo always names a folder inside the day folder. At
    // shut-down the number is never put in force, and the results still go to the pole in force.
    if (!usable && !m_shuttingDown) {
        showPoleInForce();
        report(QStringLiteral("「%1」は調査柱No.として使えません。%2").arg(pole, problem));
        return;
    }
    const RecoveryKeeper::Batch batch(m_recovery);
    if (Check1->isChecked() && MSFlexGrid2->rows() >= 1) {
        if (!writePoleResults()) {
            // The old pole stays in force: the box must not name another one.
            if (!m_shuttingDown)
                showPoleInForce();
            return;
        }
        const MeasurementLog::Scope cause
            = m_log.clearedBy(m_shuttingDown ? RecordedChange::ShutDown : RecordedChange::PoleChanged);
        Command3_Click(0);
    }
    if (!usable)
        return;
    m_state.CurTyoNo = pole;
    showPoleCaption();
    clearShownWidth();
    resumePole();
    m_recovery.changed();
}

// A pole measured earlier today keeps its rows: they come back into the list, the next shot continues their
// numbering, and the file written at the next change holds them all.
void Form1::resumePole()
{
    // At shut-down the list has just been written: it is not read back.
    if (!Check1->isChecked() || MSFlexGrid2->rows() > 0 || m_shuttingDown)
        return;
    const QDate today = m_services.clock->now().date();
    const QString path = resultFilePath(m_services.programFolder, today, m_state.CurTyoNo);
    if (m_resultsSetAside.contains(path))
        return; // its rows are kept aside already; the list starts anew
    const FileContent file = readRegularFile(path, ResultFileLimitBytes);
    if (file.missing())
        return;
    const std::optional<QStringList> widths = file.read() ? parseResultFile(file.content) : std::nullopt;
    if (!widths) {
        setResultFileAside(path, file);
        return;
    }
    if (widths->isEmpty())
        return;
    m_surveyDay = today;
    MSFlexGrid2->setRows(int(widths->size()));
    for (int row = 0; row < widths->size(); ++row) {
        MSFlexGrid2->setTextMatrix(row, 0, QString::number(row + 1));
        MSFlexGrid2->setTextMatrix(row, 1, widths->at(row));
    }
    for (QPushButton* button : Command4)
        button->setEnabled(true);
    SodDt();
    m_resumedFile = ResumedFile { path, file.content };
    m_recovery.changed();
    recordMeasurement(measurementEntry(RecordedChange::PoleResumed), MSFlexGrid2->rows(), QString());
}

// Before anything replaces a result file whose rows could not be brought back, it is kept beside itself.
void Form1::setResultFileAside(const QString& path, const FileContent& file)
{
    QString aside = path + QStringLiteral(".bad");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = path + QStringLiteral(".bad.%1").arg(n);
    QString error;
    // Its bytes when they could be read, else the entry itself (a pipe, a device link, an unreadable file).
    const bool kept = file.read()
        ? writeFileDurably(aside, file.content, &error)
        : ::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) == 0;
    if (!kept && error.isEmpty())
        error = qt_error_string(errno);
    m_resultsSetAside.insert(path);
    const QString why = file.read() ? QStringLiteral("結果ファイルの形式ではありません。") : file.error;
    if (kept)
        report(QStringLiteral("結果ファイル「%1」の行を一覧に戻せないため、「%"
                              "2」として残しました。一覧はこの柱の新しい結果から始まります。\n%3")
                   .arg(QDir::toNativeSeparators(path), QFileInfo(aside).fileName(), why));
    else
        report(QStringLiteral("結果ファイル「%"
                              "1」の行を一覧に戻せず、別の名前で残すこともできませんでした。この柱の結果を書くときに上"
                              "書きの確認をします。\n%2\n%3")
                   .arg(QDir::toNativeSeparators(path), why, error));
}

// A result file still as it was when its rows came back into the list: replacing it loses nothing.
bool Form1::isResumedFileUnchanged(const QString& path) const
{
    if (!m_resumedFile || m_resumedFile->path != path)
        return false;
    const FileContent now = readRegularFile(path, ResultFileLimitBytes);
    return now.read() && now.content == m_resumedFile->content;
}

void Form1::showPoleInForce()
{
    // Only a text that differs is set: setting it would move the caret of a box being typed in.
    if (Text4->text() != m_state.CurTyoNo) {
        const QSignalBlocker quiet(Text4);
        Text4->setText(m_state.CurTyoNo);
    }
}

void Form1::showPoleCaption()
{
    TyoNo->setTitle(QStringLiteral("調査柱No「") + m_state.CurTyoNo + QStringLiteral("」"));
}

QDate Form1::listDay() const
{
    return m_surveyDay.value_or(m_services.clock->now().date());
}

std::optional<QString> Form1::makePoleFolder(const QDate& day, QString* error)
{
    const QString folder = poleFolderPath(m_services.programFolder, day, m_state.CurTyoNo);
    if (QDir().mkpath(folder))
        return folder;
    *error = QStringLiteral("フォルダ「%1」を作成できませんでした。").arg(QDir::toNativeSeparators(folder));
    return std::nullopt;
}

bool Form1::replacesWithoutAsking(const QString& path) const
{
    const QFileInfo existing(path);
    if (!Check4->isChecked() || !existing.isFile())
        return true;
    const double age = fileAgeSeconds(existing.lastModified(), m_services.clock->now());
    return age <= leadingNumber(Text5->text());
}

bool Form1::mayReplace(const QString& path)
{
    return replacesWithoutAsking(path) || ask(OverwriteQuestion);
}

bool Form1::writePoleResults()
{
    // A pole's list belongs to the day of its first row, across midnight or a restart on a later day.
    const QDate day = listDay();
    QString error;
    if (makePoleFolder(day, &error)) {
        const QString path = resultFilePath(m_services.programFolder, day, m_state.CurTyoNo);
        if (!isResumedFileUnchanged(path) && !mayReplace(path))
            return false;
        if (writeResultFile(path, resultWidths(), &error))
            return true;
    }
    report(error + QStringLiteral("\n結果は一覧に残っています。"));
    return false;
}

} // namespace norvel
