#pragma once

#include <QByteArray>
#include <QString>

namespace norvel {

// The first field of a settings text: leading blanks skipped, ending at the first comma or line end; a
// field in double quotation marks is taken without them (and may hold commas).
[[nodiscard]] QString firstField(const QByteArray& fileContent);

} // namespace norvel
