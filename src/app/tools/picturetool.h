#pragma once

#include <QPointF>

namespace norvel {

// Mouse work on the picture: the picture box's presses, moves and releases, in view pixels, go to the tool in
// use. Buttons are the classic bit values (1 left, 2 right, 4 middle).
class PictureTool {
public:
    static constexpr int LeftButton = 1;

    virtual ~PictureTool() = default;
    virtual void press(int button, QPointF at) = 0;
    virtual void move(int buttons, QPointF at) = 0;
    virtual void release(int button, QPointF at) = 0;
};

} // namespace norvel
