#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A property that fails stops the fuzzer with the input saved as its finding; the message says which.
namespace norvel::fuzz {

[[noreturn]] inline void fail(const char* property, const QString& detail = {})
{
    std::fprintf(stderr, "property failed: %s\n%s\n", property, detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

inline void require(bool holds, const char* property, const QString& detail = {})
{
    if (!holds)
        fail(property, detail);
}

// Quoted with escapes, so blanks and control characters show in a finding's message.
inline QString shown(const QString& text)
{
    QString result = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c == QLatin1Char('"') || c == QLatin1Char('\\') || c.unicode() == 0x7f)
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return result + QLatin1Char('"');
}

} // namespace norvel::fuzz
