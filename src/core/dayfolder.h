#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// Where a survey day's results are kept: a folder per day below the program folder, a folder per pole in it,
// and the pole's result file there. The window files into it and the ledger reads it by these same names.
namespace norvel {

// "20221019"
[[nodiscard]] QString dayFolderName(const QDate& day);
// programFolder/YYYYMMDD
[[nodiscard]] QString dayFolderPath(const QString& programFolder, const QDate& day);
// programFolder/YYYYMMDD/pole
[[nodiscard]] QString poleFolderPath(const QString& programFolder, const QDate& day, const QString& pole);

// "No" + pole + "CP.csv"; the second form for a pole folder's name as the file system's bytes.
[[nodiscard]] QString resultFileName(const QString& pole);
[[nodiscard]] QByteArray resultFileName(const QByteArray& poleName);
// The pole folder's result file.
[[nodiscard]] QString resultFilePath(const QString& programFolder, const QDate& day, const QString& pole);

} // namespace norvel
