#pragma once

#include "core/dayfolder.h"
#include "core/resultfile.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// The survey pole number, and the pole's result file written whole.
namespace norvel {

// The pole number stepped by step (-1 or +1). A text of fewer than two characters is read as a number
// ("" and letters count as 0); a longer one keeps what precedes its first digit and steps the number that
// starts there (digits with at most one point, never a sign or an exponent), dropping what follows it
// ("A9" -> "A10", "No5b" -> "No6", "-1" -> "-2", "12E1" -> "13"). A longer text without a digit stays as it
// is. The step is exact however many digits the number has; the result has no leading zeros in its whole
// part and no trailing zeros in its fraction ("007" -> "8", "1.50" -> "2.5", "0.5" - 1 -> "-0.5").
[[nodiscard]] QString steppedPoleNumber(const QString& text, int step);

// The longest pole number: its folder, "No" + pole + "CP.csv" and its pictures' names stay well inside a
// file system's 255 bytes for a name, also in three-byte kana.
inline constexpr int PoleNumberMaxLength = 64;

// Why a pole number cannot name the pole folder, or empty when it can: it must not begin with "." (a
// hidden folder, or "." and ".." leaving the day folder), hold "/", "\" or a control character, or be
// longer than PoleNumberMaxLength. The empty text is allowed: its pole folder is the day folder itself.
[[nodiscard]] QString poleNumberProblem(const QString& pole);
[[nodiscard]] bool isUsablePoleNumber(const QString& pole);

// Writes the result file whole through a temporary file, so a failed write leaves the previous file as it
// was. False, with a message naming the file in error, on failure.
[[nodiscard]] bool writeResultFile(const QString& path, const QStringList& widths, QString* error = nullptr);

// Seconds, with fractions, from a file's last change to now.
[[nodiscard]] double fileAgeSeconds(const QDateTime& modified, const QDateTime& now);

} // namespace norvel
