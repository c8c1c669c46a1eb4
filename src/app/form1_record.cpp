#include "app/form1.h"

#include "analysis/scanlines.h"
#include "widgets/flexgrid.h"
#include "widgets/fullpicture.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

// Every change of the result list leaves a line in the day's measurement record, saying what produced the
// figure, so that a width questioned later can be traced and drawn again.
namespace norvel {

MeasurementEntry Form1::measurementEntry(RecordedChange change) const
{
    MeasurementEntry entry;
    entry.change = change;
    entry.picture = m_pictureShown ? m_pictureName : QString();
    if (m_pictureShown)
        entry.pictureSize = Picture2->image().size();
    entry.method = m_state.bunsekiIndex;
    entry.horizontal = ScanH[1]->isChecked();
    entry.threshold = Text2->text();
    entry.autoThreshold = Check2->isChecked();
    entry.widthLimitOn = Check5->isChecked();
    entry.widthLimit = Text6->text();
    entry.displaySize = DspS[1]->isChecked() ? DspS[1]->text() : DspS[0]->text();
    entry.rangeX = { m_state.BunHX[0], m_state.BunHX[1] };
    entry.rangeY = { m_state.BunHY[0], m_state.BunHY[1] };
    entry.zoom = m_state.Zoom;
    entry.dspRate = m_state.DspRate;
    // The scale in force for the picture on screen; a measurement puts the one it used in its place.
    const std::optional<float> calibrated = calibratedScale();
    entry.calibrated = calibrated.has_value();
    if (m_pictureShown)
        entry.pxPerMm = calibrated.value_or(analysisPxPerMm(Picture2->image().width()));
    return entry;
}

void Form1::recordMeasurement(MeasurementEntry entry, int row, const QString& result)
{
    // Lines stand in the order of the changes: a correction still being typed came before this one.
    settleTyping();
    // Like the result files and filed pictures it explains, only with automatic saving on.
    if (!Check1->isChecked())
        return;
    const QDateTime now = m_services.clock->now();
    entry.time = now;
    entry.pole = m_state.CurTyoNo;
    entry.row = row;
    entry.result = result;
    // The record lies beside the result file it explains.
    const QDate day = listDay();
    const QString path = measurementRecordPath(m_services.programFolder, day);
    const QString folder = QFileInfo(path).path();
    if (folder != m_recordFolder && QDir().mkpath(folder))
        m_recordFolder = folder; // made once: a take-in should not walk the path again
    m_recordWriter.append(path, measurementRecordHeader(), measurementRecordLine(entry));
    // In a take-in the line is written beside the filing; the shot waits for it in the camera folder.
    if (!m_recoveryBesideTakeIn)
        recordOnDisk();
}

void Form1::recordOnDisk()
{
    QString error;
    if (m_recordWriter.flush(&error))
        return;
    m_recordFolder.clear(); // made again next time, should it have gone
    // Measuring goes on; a day's record that cannot be written is said once, not at every width.
    const QDate day = listDay();
    if (std::exchange(m_recordFailureDay, day) == day)
        return;
    report(
        QStringLiteral("測定記録「%1」に書き込めませんでした。測定は続けられますが、記録されない測定があります。\n%2")
            .arg(QDir::toNativeSeparators(measurementRecordPath(m_services.programFolder, listDay())), error));
}

} // namespace norvel
