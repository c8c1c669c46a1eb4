#pragma once

namespace norvel {

// The window's heights and widths in twips and the positions that go with the display modes: picture size
// 640*480 or 560*420 (small picture), small screen on or off.
struct DisplayMode {
    bool smallScreen = false;
    bool smallPicture = false;
};

[[nodiscard]] constexpr int fullHeightTwips(DisplayMode m)
{
    return (m.smallScreen ? 7830 : 9000) - (m.smallPicture ? 900 : 0);
}

[[nodiscard]] constexpr int reducedHeightTwips(DisplayMode m)
{
    return m.smallScreen ? 600 : 1770;
}

[[nodiscard]] constexpr int windowWidthTwips(DisplayMode m)
{
    return m.smallPicture ? 11130 - 1200 : 11130;
}

// Small screen moves the picture up over the control strip.
[[nodiscard]] constexpr int pictureTopPixels(bool smallScreen)
{
    return smallScreen ? 0 : 64;
}

[[nodiscard]] constexpr int rightPanelLeftPixels(bool smallPicture)
{
    return smallPicture ? 564 : 644;
}

// Switching small screen on or off moves a full window to the other full height and a reduced one to
// the other reduced height.
inline constexpr int SmallScreenHeightChangeTwips = 1170;

} // namespace norvel
