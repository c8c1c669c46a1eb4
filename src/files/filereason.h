#pragma once

#include <QString>

// Why a file call failed, as the file calls below say it: in Japanese for the message that names the file, the
// system's own words as the detail.
namespace norvel {

inline constexpr const char* CannotOpen = "開けません（%1）。";
inline constexpr const char* CannotWrite = "書き込めません（%1）。";
inline constexpr const char* CannotSync = "ディスクに書き込めません（%1）。";

// what with the system's words for the error code in place of its "%1".
[[nodiscard]] inline QString fileReason(const char* what, int code)
{
    return QString::fromUtf8(what).arg(qt_error_string(code));
}

} // namespace norvel
