#include "settings/setdt.h"

#include "files/csvfields.h"

namespace norvel {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

const QChar Quote = QLatin1Char('"');

} // namespace

// Not csvFields: set.Dt is read as the classic program read it, blanks around a field out of quotes dropped
// and a field in quotes taken up to its closing mark only.
QString firstField(const QByteArray& fileContent)
{
    const QString text = QString::fromUtf8(fileContent);
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i < text.size() && text[i] == Quote) {
        QString field;
        for (qsizetype j = i + 1; j < text.size(); ++j) {
            if (text[j] != Quote) {
                field += text[j];
                continue;
            }
            if (j + 1 < text.size() && text[j + 1] == Quote) {
                field += Quote;
                ++j;
                continue;
            }
            return field;
        }
        // No closing mark: the field runs to the end of its line.
        qsizetype end = 0;
        while (end < field.size() && !isLineEnd(field[end]))
            ++end;
        return field.left(end);
    }
    qsizetype end = i;
    while (end < text.size() && text[end] != QLatin1Char(',') && !isLineEnd(text[end]))
        ++end;
    // An unquoted field loses its trailing blanks too.
    while (end > i && isBlank(text[end - 1]))
        --end;
    return text.mid(i, end - i);
}

QString fieldText(const QString& value)
{
    // firstField drops the blanks at either end of a field out of quotes.
    const bool blankEnds = !value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()));
    return blankEnds ? quotedCsvField(value) : csvField(value);
}

} // namespace norvel
