#include "app/workflow/scalebook.h"

#include <cmath>

namespace norvel {

ScaleBook::ScaleBook(const Services& services)
    : m_services(services)
{
}

void ScaleBook::read()
{
    QString error;
    m_scales = readScaleFile(m_services.programFolder, &error);
    if (!error.isEmpty())
        m_services.errors->showError(error);
}

std::optional<float> ScaleBook::scaleFor(QSize pictureSize) const
{
    return calibratedPxPerMm(m_scales, pictureSize);
}

bool ScaleBook::calibrateAlong(
    QPointF press, QPointF release, float zoom, float dspRate, QSize pictureSize, const QString& pictureName)
{
    m_calibrating = false;
    // The line's length in picture pixels from the view points as dragged, unrounded: a scale is only as good
    // as this figure, and a magnified view makes it finer.
    const QPointF extent = release - press;
    const double linePx = std::hypot(extent.x(), extent.y()) / double(zoom) / double(dspRate);
    const CalibrationCheck tooShort = checkCalibration(linePx, 1, pictureSize);
    if (!tooShort.refusal.isEmpty()) {
        m_services.errors->showError(tooShort.refusal);
        return false;
    }
    const std::optional<double> lengthMm
        = m_services.scaleLength ? m_services.scaleLength->askLengthMm(linePx, pictureSize) : std::nullopt;
    if (!lengthMm)
        return false;
    const CalibrationCheck checked = checkCalibration(linePx, *lengthMm, pictureSize);
    if (!checked.refusal.isEmpty()) {
        m_services.errors->showError(checked.refusal);
        return false;
    }
    // A figure far from the described one is more often a mistyped length than another microscope.
    if (!checked.question.isEmpty() && !m_services.question->askOkCancel(checked.question))
        return false;
    ScaleCalibrations changed = m_scales;
    changed.insert(
        scaleSizeKey(pictureSize), { checked.pxPerMm, m_services.clock->now().date(), *lengthMm, pictureName });
    return save(changed);
}

bool ScaleBook::forget(QSize pictureSize)
{
    if (!scaleFor(pictureSize))
        return false;
    ScaleCalibrations changed = m_scales;
    changed.remove(scaleSizeKey(pictureSize));
    return save(changed);
}

bool ScaleBook::save(const ScaleCalibrations& changed)
{
    QString error;
    if (!writeScaleFile(m_services.programFolder, changed, &error)) {
        m_services.errors->showError(error);
        return false;
    }
    m_scales = changed;
    return true;
}

} // namespace norvel
