#include "app/form1.h"

#include "analysis/scanlines.h"
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
    const bool shown = m_list.picture().has_value();
    entry.picture = shown ? m_pictureName : QString();
    if (shown)
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
    if (shown)
        entry.pxPerMm = calibrated.value_or(analysisPxPerMm(Picture2->image().width()));
    return entry;
}

} // namespace norvel
