#pragma once

#include <QString>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// Readable failure messages: GoogleTest would print a QString as raw UTF-16 bytes.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Names parameterised cases after their name field, so a failure says which row of the table it was.
template <typename Case> std::string caseName(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}
