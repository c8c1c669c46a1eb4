#include "files/inifile.h"

#include <QList>

namespace norvel {

namespace {

using Line = IniLine;

QList<Line> linesOf(const QByteArray& content)
{
    QString text = QString::fromUtf8(content);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return iniLines(text);
}

} // namespace

QList<IniLine> iniLines(const QString& text)
{
    QList<IniLine> lines;
    const QStringList raw = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < raw.size(); ++i) {
        QString line = raw[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (i == raw.size() - 1 && line.isEmpty())
            break; // after the last line end
        IniLine parsed { line, std::nullopt, std::nullopt, {} };
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            parsed.section = trimmed.mid(1, trimmed.size() - 2).trimmed();
        } else if (const qsizetype equals = line.indexOf(QLatin1Char('='));
                   equals > 0 && !trimmed.startsWith(QLatin1Char(';')) && !trimmed.startsWith(QLatin1Char('#'))) {
            parsed.key = line.left(equals).trimmed();
            parsed.value = line.mid(equals + 1).trimmed();
        }
        lines.append(parsed);
    }
    return lines;
}

std::optional<QString> iniValue(const QByteArray& content, const QString& section, const QString& key)
{
    QString current;
    std::optional<QString> found;
    for (const Line& line : linesOf(content)) {
        if (line.section)
            current = *line.section;
        else if (line.key && current == section && *line.key == key)
            found = line.value; // the last one counts, as it would for any reader that overwrites
    }
    return found;
}

QByteArray withIniValue(const QByteArray& content, const QString& section, const QString& key, const QString& value)
{
    QList<Line> lines = linesOf(content);
    const QString entry = key + QLatin1Char('=') + value;
    QString current;
    qsizetype sectionEnd = -1; // after the last line of the section, once it has been seen
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].section) {
            current = *lines[i].section;
            if (current == section)
                sectionEnd = i + 1;
            continue;
        }
        if (current != section)
            continue;
        if (lines[i].key && *lines[i].key == key) {
            lines[i].text = entry;
            sectionEnd = -2; // replaced
            break;
        }
        if (!lines[i].text.trimmed().isEmpty())
            sectionEnd = i + 1;
    }
    if (sectionEnd >= 0) {
        lines.insert(sectionEnd, Line { entry, std::nullopt, std::nullopt, {} });
    } else if (sectionEnd == -1) {
        if (!lines.isEmpty() && !lines.last().text.trimmed().isEmpty())
            lines.append(Line { QString(), std::nullopt, std::nullopt, {} });
        lines.append(Line { QLatin1Char('[') + section + QLatin1Char(']'), std::nullopt, std::nullopt, {} });
        lines.append(Line { entry, std::nullopt, std::nullopt, {} });
    }
    QString text;
    for (const Line& line : lines)
        text += line.text + QStringLiteral("\r\n");
    return text.toUtf8();
}

} // namespace norvel
