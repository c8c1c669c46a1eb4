#include "core/dayfolder.h"

#include <algorithm>

namespace norvel {

QString dayFolderName(const QDate& day)
{
    return day.toString(QStringLiteral("yyyyMMdd"));
}

bool isDayFolderName(const QString& name)
{
    return name.size() == 8 && std::all_of(name.begin(), name.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
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

QString filedPictureFileName(const QString& pole, int resultRow)
{
    return pole + QLatin1Char('_') + QString::number(resultRow) + QStringLiteral(".jpg");
}

QString originalFileName(const QString& pole, int row, const QString& cameraName)
{
    const QString prefix = pole + QLatin1Char('_') + QString::number(row) + QLatin1Char('_');
    const qsizetype limit = MaxFileNameBytes - qsizetype(sizeof "_999" - 1);
    if ((prefix + cameraName).toUtf8().size() <= limit)
        return prefix + cameraName;
    // The extension says what the file is: the camera's numbering before it gives way first.
    const qsizetype dot = cameraName.lastIndexOf(QLatin1Char('.'));
    QString extension = dot > 0 ? cameraName.mid(dot) : QString();
    if ((prefix + extension).toUtf8().size() > limit)
        extension.clear();
    QString stem = cameraName.left(cameraName.size() - extension.size());
    const qsizetype room = limit - (prefix + extension).toUtf8().size();
    while (!stem.isEmpty() && stem.toUtf8().size() > room)
        stem.chop(stem.size() > 1 && stem.back().isLowSurrogate() ? 2 : 1);
    return prefix + stem + extension;
}

QString freeFileName(const QString& name, const std::function<bool(const QString&)>& taken)
{
    if (!taken(name))
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype split = dot > 0 ? dot : name.size();
    for (int n = 2;; ++n) {
        const QString candidate = name.left(split) + QLatin1Char('_') + QString::number(n) + name.mid(split);
        if (!taken(candidate))
            return candidate;
    }
}

} // namespace norvel
