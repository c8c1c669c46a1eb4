#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>

// The columns of the measurement record and the words its fields are written in, shared by its writer and
// its reader.
namespace norvel {

inline constexpr QStringView RecordTimeFormat = u"yyyy-MM-dd HH:mm:ss.zzz";

// The header's names, one a column.
[[nodiscard]] const QStringList& recordColumns();
// The analysis methods 0 to 3 by name.
[[nodiscard]] const std::array<QString, 4>& recordMethodNames();

inline const QString RecordVertical = QStringLiteral("縦スキャン");
inline const QString RecordHorizontal = QStringLiteral("横スキャン");

// Where the calibration column stands; lines written before it existed lack it.
inline constexpr int CalibratedColumn = 36;
// The camera's name and time close the line; lines written before they were recorded lack both.
inline constexpr int CameraColumns = 2;
// After them the measurement across the crack: the direction scanned, then each line's run along it, centre,
// angle, the angle between its two edges and whether it was kept. Lines written before it was measured lack all
// of these.
inline constexpr int AcrossColumns = 1 + 5 * 5;
// Then the direction the analysis estimated ("横", "縦", "斜め", empty when it did not or for other changes); lines
// written before it was estimated lack it.
inline constexpr int EstimatedDirectionColumns = 1;
// Then the kept original's name in the pole folder's 原画像 (take-ins only; empty when none was kept), as it may
// differ from the camera's name; lines written before it was recorded lack it.
inline constexpr int OriginalColumns = 1;
// Last, the widest place along the crack an analysis across it listed a width for: the width in millimetres as the
// result is written, then its mark's two ends in picture pixels; all empty for other changes and analyses. Lines
// written before it was recorded lack them.
inline constexpr int WidestColumns = 1 + 4;

} // namespace norvel
