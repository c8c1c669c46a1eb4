#pragma once

#include <QSize>

namespace norvel {

inline constexpr int TwipsPerPixel = 15;

// Pixels of a length in twips, to the nearest pixel.
[[nodiscard]] constexpr int twipsToPixels(int twips)
{
    return (twips >= 0 ? twips + TwipsPerPixel / 2 : twips - TwipsPerPixel / 2) / TwipsPerPixel;
}

// What the outer size of the window the layout was made for spent on its frame: borders, title bar and
// menu bar, in pixels.
struct FrameAllowance {
    int width = 0;
    int height = 0;
};

// The content size (below the menu bar, inside the frame) that a window of the given outer size in twips
// showed; never negative.
[[nodiscard]] QSize contentSizeForOuterTwips(int widthTwips, int heightTwips, FrameAllowance frame);

} // namespace norvel
