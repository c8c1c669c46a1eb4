#include "app/workflow/measurementlog.h"

#include "files/durablefolder.h"
#include "results/resultlist.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace norvel {

namespace {

// The record's word for each change of the list that it keeps a line of.
std::optional<RecordedChange> recordedAs(const ResultChange& change)
{
    switch (change.cause) {
    case ResultCause::TakeIn:
        return RecordedChange::TakeInAnalysis;
    case ResultCause::Analysis:
        return RecordedChange::Analysis;
    case ResultCause::DraggedLine:
        return RecordedChange::ManualLine;
    case ResultCause::Typed:
        return RecordedChange::TypedCorrection;
    case ResultCause::Resume:
        return RecordedChange::PoleResumed;
    case ResultCause::Undo:
        return RecordedChange::Undone;
    case ResultCause::ClearOne:
    case ResultCause::ClearAll:
    case ResultCause::ClearAfterCopy:
    case ResultCause::PoleChange:
        // Only a list that had rows changed.
        if (change.removed.isEmpty())
            return std::nullopt;
        if (change.cause == ResultCause::ClearOne)
            return RecordedChange::RowSetAside;
        if (change.cause == ResultCause::ClearAll)
            return RecordedChange::AllCleared;
        return change.cause == ResultCause::ClearAfterCopy ? RecordedChange::CopiedAndCleared
                                                           : RecordedChange::PoleChanged;
    case ResultCause::Restore:
    case ResultCause::Restart:
        break; // the record has the lines of the run that left it
    }
    return std::nullopt;
}

} // namespace

MeasurementLog::MeasurementLog(
    const Services& services, ResultList& list, std::function<bool()> recording, QTimer& typingPause)
    : m_services(services)
    , m_recording(std::move(recording))
    , m_typingPause(typingPause)
{
    list.listen([this](const ResultChange& change) { listChanged(change); });
}

void MeasurementLog::listChanged(const ResultChange& change)
{
    const std::optional<RecordedChange> recorded = recordedAs(change);
    if (!recorded)
        return;
    MeasurementEntry entry = change.entry;
    entry.change = *recorded;
    const bool wholeList = change.cause == ResultCause::ClearAll || change.cause == ResultCause::ClearAfterCopy
        || change.cause == ResultCause::PoleChange;
    const int row = wholeList ? 0 : change.row;
    QString result;
    if (change.cause == ResultCause::PoleChange)
        result = change.enteredPole; // the entry names the pole left, the result the pole entered
    else if (!wholeList && change.cause != ResultCause::ClearOne && change.cause != ResultCause::Resume
        && change.cause != ResultCause::Undo)
        result = change.width;
    if (change.cause == ResultCause::Typed) {
        // Recorded once the typing settles, as its last text.
        if (!m_recording())
            return;
        m_typed = TypedLine { entry, change.pole, change.day, row, result };
        m_typingPause.start();
        return;
    }
    record(entry, change.pole, change.day, row, result,
        change.cause == ResultCause::TakeIn ? Flush::BesideTakeIn : Flush::Now);
}

void MeasurementLog::record(
    MeasurementEntry entry, const QString& pole, const QDate& day, int row, const QString& result, Flush flush)
{
    settleTyping(flush);
    if (!m_recording())
        return;
    entry.time = m_services.clock->now();
    entry.pole = pole;
    entry.row = row;
    entry.result = result;
    // The record lies beside the result file it explains.
    const QString path = measurementRecordPath(m_services.programFolder, day);
    const QString folder = QFileInfo(path).path();
    // Made once: a take-in should not walk the path again. One that cannot be made fails the write, said below.
    if (QString ignored; folder != m_folder && makeFolderDurably(folder, &ignored))
        m_folder = folder;
    m_lastDay = day;
    m_writer.append(path, measurementRecordHeader(), measurementRecordLine(entry));
    if (flush == Flush::Now)
        onDisk();
}

void MeasurementLog::settleTyping(Flush flush)
{
    m_typingPause.stop();
    if (std::optional<TypedLine> typed = std::exchange(m_typed, std::nullopt))
        record(typed->entry, typed->pole, typed->day, typed->row, typed->result, flush);
}

void MeasurementLog::onDisk()
{
    QString error;
    if (m_writer.flush(&error))
        return;
    m_folder.clear(); // made again next time, should it have gone
    // Measuring goes on; a day's record that cannot be written is said once, not at every width.
    if (std::exchange(m_failureDay, m_lastDay) == m_lastDay)
        return;
    m_services.errors->showError(
        QStringLiteral("測定記録「%1」に書き込めませんでした。測定は続けられますが、記録されない測定があります。\n%2")
            .arg(QDir::toNativeSeparators(measurementRecordPath(m_services.programFolder, m_lastDay)), error));
}

} // namespace norvel
