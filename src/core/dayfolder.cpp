#include "core/dayfolder.h"

namespace norvel {

QString dayFolderName(const QDate& day)
{
    return day.toString(QStringLiteral("yyyyMMdd"));
}

QString dayFolderPath(const QString& programFolder, const QDate& day)
{
    return programFolder + QLatin1Char('/') + dayFolderName(day);
}

QString poleFolderPath(const QString& programFolder, const QDate& day, const QString& pole)
{
    return dayFolderPath(programFolder, day) + QLatin1Char('/') + pole;
}

QString resultFileName(const QString& pole)
{
    return QStringLiteral("No") + pole + QStringLiteral("CP.csv");
}

QByteArray resultFileName(const QByteArray& poleName)
{
    return "No" + poleName + "CP.csv";
}

QString resultFilePath(const QString& programFolder, const QDate& day, const QString& pole)
{
    return poleFolderPath(programFolder, day, pole) + QLatin1Char('/') + resultFileName(pole);
}

} // namespace norvel
