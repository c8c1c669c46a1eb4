#pragma once

#include <QColor>

// The entries of the classic 16-colour palette the program marks and colours with.
namespace norvel::palette {

inline QColor brightGreen()
{
    return { 0, 255, 0 };
} // 10
inline QColor brightCyan()
{
    return { 0, 255, 255 };
} // 11
inline QColor brightRed()
{
    return { 255, 0, 0 };
} // 12
inline QColor brightMagenta()
{
    return { 255, 0, 255 };
} // 13
inline QColor brightWhite()
{
    return { 255, 255, 255 };
} // 15

} // namespace norvel::palette
