#pragma once

#include <QString>

#include <ostream>

// Readable failure messages: GoogleTest would print a QString as raw UTF-16 bytes.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
