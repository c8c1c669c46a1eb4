#include "app/form1.h"

#include "widgets/fullpicture.h"

#include <QMenu>
#include <QScopedValueRollback>

#include <cmath>

// A scale for any microscope: pixels per millimetre set from a line dragged along a ruler's known length,
// one figure per picture size. Without one, the described scale stands, to the last digit.
namespace norvel {

std::optional<float> Form1::calibratedScale() const
{
    if (!m_pictureShown)
        return std::nullopt;
    return calibratedPxPerMm(m_scales, Picture2->image().size());
}

void Form1::setSizeCaption(const QString& caption)
{
    m_sizeCaption = caption;
    Sz->setTitle(calibratedScale() ? caption + QStringLiteral("（校正済）") : caption);
}

void Form1::readScales()
{
    QString error;
    m_scales = readScaleFile(m_services.programFolder, &error);
    if (!error.isEmpty())
        report(error);
}

void Form1::Calibrate_Click()
{
    if (!m_pictureShown)
        JPOP_Click(); // the ruler's photograph
    if (!m_pictureShown)
        return;
    m_calibrating = true;
    notify(QStringLiteral("目盛りに沿って、長さのわかっている区間に線を引いてください（100画素以上）。"));
}

void Form1::Uncalibrate_Click()
{
    if (!calibratedScale()) {
        notify(QStringLiteral("表示中の画像の大きさには、目盛り校正がありません。"));
        return;
    }
    ScaleCalibrations changed = m_scales;
    changed.remove(scaleSizeKey(Picture2->image().size()));
    saveScales(changed);
}

void Form1::saveScales(const ScaleCalibrations& changed)
{
    QString error;
    if (!writeScaleFile(m_services.programFolder, changed, &error)) {
        report(error);
        return;
    }
    m_scales = changed;
    setSizeCaption(m_sizeCaption);
}

void Form1::calibrateAlong(QPointF press, QPointF release)
{
    m_calibrating = false;
    const QSize size = Picture2->image().size();
    // The line's length in picture pixels from the view points as dragged, unrounded: a scale is only as good
    // as this figure, and a magnified view makes it finer.
    const QPointF extent = release - press;
    const double linePx = std::hypot(extent.x(), extent.y()) / double(m_state.Zoom) / double(m_state.DspRate);
    const CalibrationCheck tooShort = checkCalibration(linePx, 1, size);
    if (!tooShort.refusal.isEmpty()) {
        report(tooShort.refusal);
        return;
    }
    const std::optional<double> lengthMm
        = m_services.scaleLength ? m_services.scaleLength->askLengthMm(linePx, size) : std::nullopt;
    if (!lengthMm)
        return;
    const CalibrationCheck checked = checkCalibration(linePx, *lengthMm, size);
    if (!checked.refusal.isEmpty()) {
        report(checked.refusal);
        return;
    }
    // A figure far from the described one is more often a mistyped length than another microscope.
    if (!checked.question.isEmpty() && !ask(checked.question))
        return;
    ScaleCalibrations changed = m_scales;
    changed.insert(scaleSizeKey(size), { checked.pxPerMm, m_services.clock->now().date(), *lengthMm, m_pictureName });
    saveScales(changed);
}

} // namespace norvel
