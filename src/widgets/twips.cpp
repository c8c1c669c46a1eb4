#include "widgets/twips.h"

#include <algorithm>

namespace norvel {

QSize contentSizeForOuterTwips(int widthTwips, int heightTwips, FrameAllowance frame)
{
    return { std::max(0, twipsToPixels(widthTwips) - frame.width),
        std::max(0, twipsToPixels(heightTwips) - frame.height) };
}

} // namespace norvel
