#include "results/polenumber.h"

#include "platform/durablefile.h"
#include "platform/numbers.h"

#include <QDir>

namespace norvel {

QString steppedPoleNumber(const QString& text, int step)
{
    if (text.size() < 2)
        return doubleText(leadingNumber(text) + step);
    qsizetype firstDigit = 0;
    while (firstDigit < text.size() && !(text[firstDigit] >= QLatin1Char('0') && text[firstDigit] <= QLatin1Char('9')))
        ++firstDigit;
    if (firstDigit == text.size())
        return text;
    return text.left(firstDigit) + doubleText(leadingNumber(QStringView(text).mid(firstDigit)) + step);
}

bool isUsablePoleNumber(const QString& pole)
{
    if (pole == QLatin1String(".") || pole == QLatin1String(".."))
        return false;
    for (const QChar c : pole) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

QString dayFolderName(const QDate& day)
{
    return day.toString(QStringLiteral("yyyyMMdd"));
}

QString poleFolderPath(const QString& programFolder, const QDate& day, const QString& pole)
{
    return programFolder + QLatin1Char('/') + dayFolderName(day) + QLatin1Char('/') + pole;
}

QString resultFilePath(const QString& programFolder, const QDate& day, const QString& pole)
{
    return poleFolderPath(programFolder, day, pole) + QStringLiteral("/No") + pole + QStringLiteral("CP.csv");
}

QByteArray resultFileContent(const QStringList& widths)
{
    QString text;
    for (qsizetype i = 0; i < widths.size(); ++i)
        text += QString::number(i + 1) + QLatin1Char(',') + widths[i] + QStringLiteral("\r\n");
    // The system code page, which is UTF-8 here.
    return text.toLocal8Bit();
}

bool writeResultFile(const QString& path, const QStringList& widths, QString* error)
{
    QString reason;
    if (writeFileDurably(path, resultFileContent(widths), &reason))
        return true;
    if (error)
        *error = QStringLiteral("結果ファイル「%1」を書き込めませんでした。\n%2")
                     .arg(QDir::toNativeSeparators(path), reason);
    return false;
}

double fileAgeSeconds(const QDateTime& modified, const QDateTime& now)
{
    return static_cast<double>(modified.msecsTo(now)) / 1000.0;
}

} // namespace norvel
