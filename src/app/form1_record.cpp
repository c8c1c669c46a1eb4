#include "app/form1.h"

#include "analysis/scanlines.h"
#include "widgets/flexgrid.h"
#include "widgets/fullpicture.h"

#include <QAction>
#include <QCheckBox>
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
    entry.horizontal = m_choices.scan == 1;
    entry.threshold = Text2->text();
    entry.autoThreshold = Check2->isChecked();
    entry.widthLimitOn = Check5->isChecked();
    entry.widthLimit = Text6->text();
    entry.displaySize = DspS[m_choices.pictureSize]->text();
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

void Form1::recordMeasurement(const MeasurementEntry& entry, int row, const QString& result)
{
    // In a take-in the line is written beside the filing; the shot waits for it in the camera folder.
    m_log.record(entry, row, result, recordFlush());
}

MeasurementLog::Flush Form1::recordFlush() const
{
    return m_recovery.besideTakeIn() ? MeasurementLog::Flush::BesideTakeIn : MeasurementLog::Flush::Now;
}

MeasurementLog::Context Form1::logContext() const
{
    // Like the result files and filed pictures it explains, only with automatic saving on.
    return { Check1->isChecked(), m_state.CurTyoNo, listDay() };
}

} // namespace norvel
