#pragma once

#include "app/tools/picturetool.h"

#include <functional>

namespace norvel {

// Drawing a measuring line with the left button: the press fixes its start, moves show it, and the release
// measures across it. Other buttons do nothing.
class MeasuringLineTool final : public PictureTool {
public:
    struct Effects {
        std::function<void(QPointF start)> start;
        std::function<void(QPointF end)> follow;
        std::function<void(QPointF end)> measure;
    };
    // drawing is true from the press on, where the window shows its state; the next press elsewhere ends it.
    MeasuringLineTool(bool& drawing, Effects effects);

    [[nodiscard]] bool drawing() const { return m_drawing; }
    void press(int button, QPointF at) override;
    void move(int buttons, QPointF at) override;
    void release(int button, QPointF at) override;

private:
    bool& m_drawing;
    Effects m_effects;
};

} // namespace norvel
