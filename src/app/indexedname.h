#pragma once

#include <QString>

namespace norvel {

// Object name of a control-array element: "Option1(2)".
[[nodiscard]] inline QString indexedName(const char* name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

} // namespace norvel
