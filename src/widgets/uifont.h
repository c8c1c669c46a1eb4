#pragma once

#include <QFont>

namespace norvel {

// The window's face, "ＭＳ Ｐゴシック", is not on Linux desktops; map it to IPA P Gothic, the closest
// proportional Japanese Gothic, and make it the application's 9-point default. Call before creating widgets.
void installUiFont();

// The window's face at a size in points.
[[nodiscard]] QFont uiFont(double points, bool bold = false);

} // namespace norvel
