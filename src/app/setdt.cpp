#include "app/setdt.h"

namespace norvel {

QString firstField(const QByteArray& fileContent)
{
    const QString text = QString::fromUtf8(fileContent);
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    if (i < text.size() && text[i] == QLatin1Char('"')) {
        const qsizetype start = i + 1;
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('"') && text[end] != QLatin1Char('\r')
            && text[end] != QLatin1Char('\n'))
            ++end;
        return text.mid(start, end - start);
    }
    qsizetype end = i;
    while (end < text.size() && text[end] != QLatin1Char(',') && text[end] != QLatin1Char('\r')
        && text[end] != QLatin1Char('\n'))
        ++end;
    // An unquoted field loses its trailing blanks too.
    while (end > i && (text[end - 1] == QLatin1Char(' ') || text[end - 1] == QLatin1Char('\t')))
        --end;
    return text.mid(i, end - i);
}

} // namespace norvel
