#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <functional>

// Where a survey day's results are kept: a folder per day below the program folder, a folder per pole in it,
// and the pole's result file there. The window files into it and the ledger reads it by these same names.
namespace norvel {

// "20221019"
[[nodiscard]] QString dayFolderName(const QDate& day);
// Whether a folder's name is a day folder's: eight digits.
[[nodiscard]] bool isDayFolderName(const QString& name);
// programFolder/YYYYMMDD
[[nodiscard]] QString dayFolderPath(const QString& programFolder, const QDate& day);
// programFolder/YYYYMMDD/pole
[[nodiscard]] QString poleFolderPath(const QString& programFolder, const QDate& day, const QString& pole);

// "No" + pole + "CP.csv"; the second form for a pole folder's name as the file system's bytes.
[[nodiscard]] QString resultFileName(const QString& pole);
[[nodiscard]] QByteArray resultFileName(const QByteArray& poleName);
// The pole folder's result file.
[[nodiscard]] QString resultFilePath(const QString& programFolder, const QDate& day, const QString& pole);

// Name of a captured picture filed with the results: the pole number, "_", the number of its result row
// counted from 1, ".jpg" ("12_3.jpg").
[[nodiscard]] QString filedPictureFileName(const QString& pole, int resultRow);

// The pole folder's subfolder where the camera's own file is kept beside each filed copy, byte for byte.
inline const QString OriginalsFolderName = QStringLiteral("原画像");
// "<pole>_<row>_<camera's name>", the camera's name shortened before its extension, on a character boundary,
// where the whole would not fit a file name's 255 bytes in UTF-8 with a "_999" added by freeFileName.
inline constexpr qsizetype MaxFileNameBytes = 255;
[[nodiscard]] QString originalFileName(const QString& pole, int row, const QString& cameraName);

// The pole folder's subfolder where the pictures of cleared rows are moved: nothing the inspector made is
// deleted. Its own "原画像" keeps their originals.
inline const QString ClearedFolderName = QStringLiteral("取消");

// The program folder's folder for shots that left the camera folder without a filed copy ("not taken in").
inline const QString SetAsideFolderName = QStringLiteral("未取込");

// name when it is free, else the first of "_2", "_3", … put before its extension (the last dot, not a
// leading one) that is.
[[nodiscard]] QString freeFileName(const QString& name, const std::function<bool(const QString&)>& taken);

} // namespace norvel
