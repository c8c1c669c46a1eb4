#include "app/form1.h"

#include "files/folderlisting.h"
#include "ledger/ledgerday.h"
#include "ledger/ledgerdialog.h"
#include "ledger/previousinspection.h"
#include "results/polenumber.h"
#include "settings/ledgersettings.h"
#include "settings/surveyheader.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>

// The photo ledger of a survey day, made from its result files, filed pictures, facts and measurement record.
namespace norvel {

JudgementRead Form1::judgementLinesInForce(const std::optional<QByteArray>& ini)
{
    QString error;
    const JudgementRead judgement
        = norvel::judgementLinesInForce(m_services.programFolder, ini.value_or(QByteArray()), &error);
    if (!error.isEmpty())
        report(error);
    if (judgement.fromLedgerLine && ini)
        writeProgramSettings(judgementSettings(judgement.lines), QStringLiteral("判定線"));
    return judgement;
}

void Form1::Ledger_Click()
{
    const std::optional<QByteArray> ini = readProgramSettings();
    const JudgementRead judgement = judgementLinesInForce(ini);
    const JudgementLines& lines = judgement.lines;
    const QByteArray settings = ini.value_or(QByteArray());
    // norvel.ini's choices: what it keeps is compared with what is chosen.
    const LedgerChoices proposal = ledgerChoices(settings);
    // Typed since start-up, or at start-up: said once either way.
    QList<UnusableSetting> unusable = judgement.unusable;
    if (const std::optional<UnusableSetting> form = unusableLedgerForm(settings))
        unusable.append(*form);
    unusable += unusableSurveyTexts(settings);
    sayUnusableSettings(unusable);
    const QString today = dayFolderPath(m_services.programFolder, m_services.clock->now().date());
    LedgerChoices choices = proposal;
    choices.header = dayHeaderSaid(today, settings);
    // What ledgers killed while they were written left behind: up to the size of a whole ledger each.
    removeStaleLedgerFilesOfDays(m_services.programFolder);
    const auto dayHeader = [&settings](const QString& dayFolder) { return readDayHeader(dayFolder, settings).header; };
    const std::optional<LedgerRequest> request
        = m_services.ledger ? m_services.ledger->askLedger(today, lines, choices, dayHeader) : std::nullopt;
    if (!request)
        return;
    // Another day's header was read by the dialog without a word.
    if (!sameFolder(request->dayFolder, today))
        static_cast<void>(dayHeaderSaid(request->dayFolder, settings));
    // Asked before anything changes: a ledger already handed on is not replaced unawares.
    const QDir day(request->dayFolder);
    const QString existing = day.filePath(ledgerPdfFileName(day.dirName(), request->choices.form));
    if (nameExists(QFile::encodeName(existing))
        && !ask(QStringLiteral("写真台帳「%1」は既にあります。作り直して置き換えますか？")
                    .arg(QDir::toNativeSeparators(existing))))
        return;
    keepLedgerChoices(lines, proposal, *request, unusable);
    // Lines still on their way to the record belong in the ledger.
    m_log.onDisk();
    // The pole in hand's rows are written through to its file, and the recovery record tells what is not in it:
    // both on disk before the ledger reads them.
    static_cast<void>(m_poleResults.onDisk());
    m_recovery.onDisk();
    QString pdfPath;
    QString notes;
    QString error;
    // The progress dialog is modal too.
    const ModalScope open(m_modal);
    // Read afresh: past surveys may have been copied in since the pole dialog last looked. The dialog goes on
    // with this reading.
    const LedgerOptions options { request->lines, request->choices.header, request->choices.form,
        &m_facts.rereadPreviousInspections(request->choices.pastFolder),
        replacedLinesInForce(judgement, request->lines) };
    if (makeLedger(this, request->dayFolder, options, &pdfPath, &error, &notes))
        tellLedgerMade(pdfPath, notes);
    else if (!error.isEmpty())
        m_services.errors->showError(error);
}

// What the dialog changed from norvel.ini's is offered next time, and the header is kept for the day; a settings file
// that cannot be written is said, and the ledger is made all the same.
// A value typed that could not be used stays as typed unless the user chose another in its place.
void Form1::keepLedgerChoices(const JudgementLines& offeredLines, const LedgerChoices& offeredChoices,
    const LedgerRequest& chosen, const QList<UnusableSetting>& unusable)
{
    QList<ProgramSetting> values;
    QStringList what;
    if (chosen.lines != offeredLines) {
        values << settingsToWrite(judgementSettings(offeredLines), judgementSettings(chosen.lines), unusable);
        what << QStringLiteral("判定線");
    }
    if (chosen.choices != offeredChoices) {
        values << settingsToWrite(ledgerChoiceSettings(offeredChoices), ledgerChoiceSettings(chosen.choices), unusable);
        what << QStringLiteral("写真台帳の表題・様式・過去の調査のフォルダ");
    }
    if (!values.isEmpty())
        writeProgramSettings(values, what.join(QStringLiteral("と")));
    // The day's own header, read for its ledger from now on. A folder that is not there is said by the ledger.
    if (isFolder(chosen.dayFolder)) {
        if (const QString problem = writeDayHeader(chosen.dayFolder, chosen.choices.header); !problem.isEmpty())
            report(problem);
    }
}

SurveyHeader Form1::dayHeaderSaid(const QString& dayFolder, const QByteArray& ini)
{
    const DayHeader day = readDayHeader(dayFolder, ini);
    QStringList said;
    if (!day.problem.isEmpty())
        said << day.problem;
    for (const auto& [key, sentence] : day.unusable)
        said << sentence;
    if (!said.isEmpty())
        report(said.join(u'\n'));
    return day.header;
}

void Form1::tellLedgerMade(const QString& pdfPath, const QString& notes)
{
    QString text = QStringLiteral("写真台帳「%1」を作成しました。").arg(QDir::toNativeSeparators(pdfPath));
    // The window's ledger lies in its day folder, whose name the lists beside it carry.
    const QStringList paths = ledgerFilePaths(pdfPath, QFileInfo(pdfPath).dir().dirName());
    text += QStringLiteral("\n集計「%1」とひび割れ一覧「%2」も作成しました。")
                .arg(QDir::toNativeSeparators(paths[1]), QDir::toNativeSeparators(paths[2]));
    if (!notes.isEmpty())
        text += QStringLiteral("\n\n") + notes;
    if (!m_services.madeFile)
        m_services.errors->showNotice(text);
    else if (!m_services.madeFile->noticeWithOpen(text, pdfPath))
        m_services.errors->showError(
            QStringLiteral("写真台帳「%1」を開くプログラムが見つかりません。").arg(QDir::toNativeSeparators(pdfPath)));
}

} // namespace norvel
