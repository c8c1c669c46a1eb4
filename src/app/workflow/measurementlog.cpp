#include "app/workflow/measurementlog.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace norvel {

MeasurementLog::MeasurementLog(const Services& services, std::function<Context()> context, QTimer& typingPause)
    : m_services(services)
    , m_context(std::move(context))
    , m_typingPause(typingPause)
{
}

void MeasurementLog::record(MeasurementEntry entry, int row, const QString& result, Flush flush)
{
    settleTyping(flush);
    const Context context = m_context();
    if (!context.recording)
        return;
    entry.time = m_services.clock->now();
    entry.pole = context.pole;
    entry.row = row;
    entry.result = result;
    // The record lies beside the result file it explains.
    const QString path = measurementRecordPath(m_services.programFolder, context.day);
    const QString folder = QFileInfo(path).path();
    if (folder != m_folder && QDir().mkpath(folder))
        m_folder = folder; // made once: a take-in should not walk the path again
    m_writer.append(path, measurementRecordHeader(), measurementRecordLine(entry));
    if (flush == Flush::Now)
        onDisk();
}

void MeasurementLog::widthChanged(int row, const QString& result, const MeasurementEntry& typedEntry)
{
    std::optional<MeasurementEntry> measured = std::exchange(m_measured, std::nullopt);
    if (row == 0 || m_takingIn)
        return;
    if (measured) {
        record(*measured, row, result);
        return;
    }
    m_typed = TypedLine { typedEntry, row, result };
    m_typingPause.start();
}

void MeasurementLog::settleTyping(Flush flush)
{
    m_typingPause.stop();
    if (std::optional<TypedLine> typed = std::exchange(m_typed, std::nullopt))
        record(typed->entry, typed->row, typed->result, flush);
}

void MeasurementLog::onDisk()
{
    QString error;
    if (m_writer.flush(&error))
        return;
    m_folder.clear(); // made again next time, should it have gone
    // Measuring goes on; a day's record that cannot be written is said once, not at every width.
    const QDate day = m_context().day;
    if (std::exchange(m_failureDay, day) == day)
        return;
    m_services.errors->showError(
        QStringLiteral("測定記録「%1」に書き込めませんでした。測定は続けられますが、記録されない測定があります。\n%2")
            .arg(QDir::toNativeSeparators(measurementRecordPath(m_services.programFolder, day)), error));
}

MeasurementLog::Scope MeasurementLog::measuredBy(const MeasurementEntry& entry)
{
    m_measured = entry;
    return Scope([this] { m_measured.reset(); });
}

MeasurementLog::Scope MeasurementLog::takingIn()
{
    const bool before = std::exchange(m_takingIn, true);
    return Scope([this, before] { m_takingIn = before; });
}

MeasurementLog::Scope MeasurementLog::clearedBy(RecordedChange cause)
{
    const std::optional<RecordedChange> before = std::exchange(m_clearCause, cause);
    return Scope([this, before] { m_clearCause = before; });
}

void MeasurementLog::forgetCauses()
{
    m_measured.reset();
    m_clearCause.reset();
}

} // namespace norvel
