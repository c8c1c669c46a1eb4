#include "core/resultfile.h"

#include "files/csvfields.h"

#include <QStringDecoder>

#include <limits>

namespace norvel {

QByteArray resultFileContent(const QStringList& widths)
{
    QString text;
    for (qsizetype i = 0; i < widths.size(); ++i)
        text += QString::number(i + 1) + QLatin1Char(',') + spreadsheetSafe(widths[i]) + QStringLiteral("\r\n");
    // The system code page, which is UTF-8 here.
    return text.toLocal8Bit();
}

std::optional<QStringList> parseResultFile(const QByteArray& content)
{
    QStringDecoder decode(QStringDecoder::System, QStringDecoder::Flag::Stateless);
    QList<QByteArray> lines = csvByteLines(content);
    // The last line ends with its line end; what follows it must be nothing.
    if (!lines.last().isEmpty())
        return std::nullopt;
    lines.removeLast();
    if (lines.size() > std::numeric_limits<qint16>::max())
        return std::nullopt;
    QStringList widths;
    for (const QByteArray& bytes : lines) {
        const QString line = decode(bytes);
        const qsizetype comma = line.indexOf(QLatin1Char(','));
        if (comma < 0 || line.left(comma) != QString::number(widths.size() + 1))
            return std::nullopt;
        widths << fromSpreadsheetSafe(line.mid(comma + 1));
    }
    if (decode.hasError())
        return std::nullopt;
    return widths;
}

ResultFileRows readResultFileRows(const QByteArray& content, qsizetype listedLimit)
{
    ResultFileRows result;
    qint64 number = 0;
    for (const QByteArray& line : csvByteLines(content)) {
        ++number;
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype comma = line.indexOf(',');
        // Not exactNumber: a row number a person typed as "+3" or " 3" still names row 3.
        bool ok = false;
        const int row = comma < 0 ? 0 : line.left(comma).trimmed().toInt(&ok);
        if (!ok || row < 1) {
            ++result.badCount;
            if (result.badLines.size() < listedLimit)
                result.badLines << number;
            continue;
        }
        result.rows.append({ row, fromSpreadsheetSafe(QString::fromUtf8(line.mid(comma + 1))) });
    }
    return result;
}

} // namespace norvel
