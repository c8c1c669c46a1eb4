#include "app/form1.h"

#include "widgets/fullpicture.h"

#include <QMenu>

// A scale for any microscope: pixels per millimetre set from a line dragged along a ruler's known length,
// one figure per picture size. Without one, the described scale stands, to the last digit.
namespace norvel {

std::optional<float> Form1::calibratedScale() const
{
    if (!m_list.picture())
        return std::nullopt;
    return m_scaleBook.scaleFor(Picture2->image().size());
}

void Form1::setSizeCaption(const QString& caption)
{
    m_sizeCaption = caption;
    Sz->setTitle(calibratedScale() ? caption + QStringLiteral("（校正済）") : caption);
}

void Form1::Calibrate_Click()
{
    if (!m_list.picture())
        JPOP_Click(); // the ruler's photograph
    if (!m_list.picture())
        return;
    m_scaleBook.startCalibrating();
    notify(QStringLiteral("目盛りに沿って、長さのわかっている区間に線を引いてください（100画素以上）。"));
}

void Form1::Uncalibrate_Click()
{
    if (!calibratedScale()) {
        notify(QStringLiteral("表示中の画像の大きさには、目盛り校正がありません。"));
        return;
    }
    if (m_scaleBook.forget(Picture2->image().size()))
        setSizeCaption(m_sizeCaption);
}

void Form1::calibrateAlong(QPointF press, QPointF release)
{
    if (m_scaleBook.calibrateAlong(
            press, release, m_state.Zoom, m_state.DspRate, Picture2->image().size(), m_pictureName))
        setSizeCaption(m_sizeCaption);
}

} // namespace norvel
