#include "files/csvfields.h"

#include <utility>

namespace norvel {

namespace {

// A sign, digits and at most one decimal point, with a digit somewhere.
bool isPlainNumber(QStringView text)
{
    if (text.startsWith(u'+') || text.startsWith(u'-'))
        text = text.mid(1);
    bool digit = false;
    bool point = false;
    for (const QChar c : text) {
        if (c == u'.' && !point)
            point = true;
        else if (c >= u'0' && c <= u'9')
            digit = true;
        else
            return false;
    }
    return digit;
}

// Whether the text must be written after a "'": it starts a formula, or it is a "'" before such a text, which the
// reader would otherwise take for the guard.
bool needsGuard(QStringView text)
{
    qsizetype quotes = 0;
    while (quotes < text.size() && text[quotes] == u'\'')
        ++quotes;
    const QStringView rest = text.mid(quotes);
    if (rest.isEmpty())
        return false;
    const QChar first = rest.front();
    const bool starts
        = first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' || first == u'\r';
    return starts && !isPlainNumber(rest);
}

} // namespace

QString spreadsheetSafe(const QString& text)
{
    return needsGuard(text) ? QLatin1Char('\'') + text : text;
}

QString fromSpreadsheetSafe(const QString& cell)
{
    return cell.startsWith(QLatin1Char('\'')) && needsGuard(QStringView(cell).mid(1)) ? cell.mid(1) : cell;
}

QString csvField(const QString& field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\r'))
        && !field.contains(QLatin1Char('\n')))
        return field;
    return quotedCsvField(field);
}

QString quotedCsvField(const QString& field)
{
    QString out = field;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QByteArray csvLine(const QStringList& fields)
{
    QStringList out;
    for (const QString& field : fields)
        out << csvField(field);
    return out.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

QStringList csvFields(QStringView text)
{
    QStringList fields;
    QString field;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
        } else if (c == QLatin1Char(',')) {
            fields << std::exchange(field, QString());
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

QList<QByteArray> csvByteLines(QByteArrayView content)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    bool quoted = false;
    bool quotesCount = true;
    for (qsizetype i = 0;; ++i) {
        if (i == content.size()) {
            if (!quoted)
                break;
            // A quote open to the end: the last line read again, its quotes not counted.
            quoted = quotesCount = false;
            i = start - 1;
            continue;
        }
        const char c = content[i];
        if (c == '"' && quotesCount) {
            quoted = !quoted;
        } else if (c == '\n' || (c == '\r' && !quoted && (i + 1 == content.size() || content[i + 1] != '\n'))) {
            const qsizetype end = c == '\n' && i > start && content[i - 1] == '\r' ? i - 1 : i;
            lines << content.sliced(start, end - start).toByteArray();
            start = i + 1;
            quoted = false;
        }
    }
    lines << content.sliced(start).toByteArray();
    return lines;
}

} // namespace norvel
