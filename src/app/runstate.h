#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

namespace norvel {

// The window-level variables every subsystem reads and writes, with their start values.
struct RunState {
    QString WatchPath; // camera folder plus "/*.jpg" or "/*.bmp"
    float DspRate = 0; // shown pixels per picture pixel; 0 until a picture has been shown
    qint16 bunsekiIndex = 1; // analysis method
    float Zoom = 1.0f; // magnification of the analysis range: 1, 2.5 or 5
    std::array<qint16, 2> BunHX { 0, 0 }; // analysis range in x: left edge, width
    std::array<qint16, 2> BunHY { 0, 0 }; // analysis range in y: top edge, height
    qint16 DownX = 0; // press point that starts dragging the range rectangle
    qint16 DownY = 0;
    bool LineDrag = false; // a measuring line is being drawn
    // The survey pole number in force is the result list's own (ResultList::pole), as are its rows.
};

} // namespace norvel
