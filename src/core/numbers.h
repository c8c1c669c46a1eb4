#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <type_traits>

namespace norvel {

// A value that does not fit the 16-bit integers that positions, lengths and counts are held in.
class OverflowError : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

// Nearest integer with halves to even (12.5 -> 12, 37.5 -> 38); nullopt for NaN or a result outside
// -32768..32767.
[[nodiscard]] std::optional<qint16> tryNearest(double value);

// As tryNearest(), but a value that does not fit throws OverflowError.
[[nodiscard]] qint16 nearest(double value);

struct LeadingNumber {
    double value = 0; // 0 when the text does not begin with a number
    qsizetype length = 0; // characters read, leading blanks included; 0 when there is no number
};

// The decimal number a text begins with: leading blanks skipped, an optional sign, digits with a point as
// decimal separator, then an optional exponent (E or e, an optional sign, at least one digit), so that every
// text singleText() writes reads back as the value it shows ("1E-05"). Reading stops at the first character
// that cannot continue the number; the value is the correctly rounded double, as strtod gives it.
[[nodiscard]] LeadingNumber readLeadingNumber(QStringView text);
[[nodiscard]] double leadingNumber(QStringView text);

// Text of a single-precision value with at most 7 significant digits, of a double with at most 15; no
// trailing zeros and no point when whole ("853.3333", "853.333339691162", "1", "0.5", "-2").
[[nodiscard]] QString singleText(float value);
[[nodiscard]] QString doubleText(double value);

// Fixed number of decimals ("0.00" is decimals 2): the exact value as held, rounded half away from zero.
// Pass a float to format the single as held: fixedText(0.125f, 2) == "0.13".
[[nodiscard]] QString fixedText(double value, int decimals);

// The shortest text that reads back as exactly the same value, in the C locale: how files keep a figure.
[[nodiscard]] QString exactText(double value);
[[nodiscard]] QString exactText(float value);

// A number as a Japanese input method types it in full width, in half width: the full-width digits, full stop,
// comma, plus and minus signs ("－" and "−" too), exponent letters and the ideographic space become their ASCII
// forms, one character for one, so positions in the text stay where they were; nothing else changes.
[[nodiscard]] QString halfWidthNumberText(QStringView text);

// A name read off a pole (plate, place, kind of pole) as one text however it was typed: the full-width digits, Latin
// letters and hyphen or minus ("－", "−", "‐") become their ASCII forms, one character for one; nothing else changes,
// so "Ｐ－７" and "P-7" are one plate while the kana and kanji stay as typed.
[[nodiscard]] QString halfWidthIdentifierText(QStringView text);

// The whole text as a number of type T (an integer, float or double), in the C locale: no blanks, no plus
// sign, nothing after it; infinities and NaN are refused, as no figure a file keeps is one.
template <typename T> [[nodiscard]] std::optional<T> exactNumber(QStringView text)
{
    const QByteArray bytes = text.toLatin1();
    T value {};
    const auto [end, ec] = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
    if (bytes.isEmpty() || ec != std::errc() || end != bytes.constData() + bytes.size())
        return std::nullopt;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value))
            return std::nullopt;
    }
    return value;
}

} // namespace norvel
