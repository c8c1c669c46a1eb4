#pragma once

#include <QIcon>

namespace norvel {

// The window's icon, at 32 x 32 and 16 x 16: a grey pole with a dark crack under a red gauge.
[[nodiscard]] QIcon makeWindowIcon();

} // namespace norvel
