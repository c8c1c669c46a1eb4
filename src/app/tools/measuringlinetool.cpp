#include "app/tools/measuringlinetool.h"

namespace norvel {

MeasuringLineTool::MeasuringLineTool(bool& drawing, Effects effects)
    : m_drawing(drawing)
    , m_effects(std::move(effects))
{
}

void MeasuringLineTool::press(int button, QPointF at)
{
    if (button != LeftButton)
        return;
    m_drawing = true;
    m_effects.start(at);
}

void MeasuringLineTool::move(int buttons, QPointF at)
{
    if (buttons == LeftButton && m_drawing)
        m_effects.follow(at);
}

void MeasuringLineTool::release(int button, QPointF at)
{
    if (button == LeftButton && m_drawing)
        m_effects.measure(at);
}

} // namespace norvel
