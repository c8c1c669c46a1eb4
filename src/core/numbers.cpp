#include "core/numbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

namespace norvel {

namespace {

// The exact decimal expansion of a finite double: digits d0 d1 d2 ... meaning d0.d1d2... * 10^exponent.
struct Decimal {
    bool negative = false;
    std::string digits; // no leading zeros; "0" for zero
    int exponent = 0;
};

void trimTrailingZeros(Decimal& decimal)
{
    const auto last = decimal.digits.find_last_not_of('0');
    if (last == std::string::npos) {
        decimal.digits.assign(1, '0'); // not = "0": GCC 12 warns falsely on that
        decimal.exponent = 0;
    } else {
        decimal.digits.resize(last + 1);
    }
}

// Every finite double is a dyadic fraction whose expansion ends within 767 significant digits, so
// printing that many digits is exact and any rounding after that is ours, not the library's.
constexpr int exactSignificantDigits = 767;

Decimal exactDecimal(double value)
{
    std::array<char, exactSignificantDigits + 16> buffer {};
    const auto result = std::to_chars(
        buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::scientific, exactSignificantDigits - 1);
    Decimal decimal;
    const char* p = buffer.data();
    if (*p == '-') {
        decimal.negative = true;
        ++p;
    }
    for (; p != result.ptr && *p != 'e'; ++p) {
        if (*p != '.')
            decimal.digits.push_back(*p);
    }
    // from_chars does not take the '+' that to_chars writes on positive exponents.
    if (*++p == '+')
        ++p;
    std::from_chars(p, result.ptr, decimal.exponent);
    trimTrailingZeros(decimal);
    return decimal;
}

// Keeps the first `keep` significant digits, rounding half away from zero. With keep 0 the rounding
// position lies just before the first digit, so the result is zero or one unit of the next power up.
void roundAway(Decimal& decimal, int keep)
{
    if (decimal.digits == "0" || keep >= static_cast<int>(decimal.digits.size()))
        return;
    if (keep < 0) {
        decimal.digits.assign(1, '0'); // not = "0": GCC 12 warns falsely on that
        decimal.exponent = 0;
        return;
    }
    const bool up = decimal.digits[static_cast<std::size_t>(keep)] >= '5';
    decimal.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        auto i = decimal.digits.size();
        while (i > 0 && decimal.digits[i - 1] == '9') {
            decimal.digits[i - 1] = '0';
            --i;
        }
        if (i > 0) {
            ++decimal.digits[i - 1];
        } else {
            decimal.digits.insert(decimal.digits.begin(), '1');
            ++decimal.exponent;
        }
    }
    trimTrailingZeros(decimal);
}

QString nonFiniteText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
}

// The general format of Visual Basic's Str and CStr: at most `precision` significant digits, E notation
// for exponents from `precision` up or below -4. The exact value is rounded once, half away from zero, so
// the single nearest 4/9 (0.444444447...) shows as "0.4444444" and the exact tie 654322.25 as "654322.3".
QString generalText(double value, int precision)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    if (value == 0)
        return QStringLiteral("0");
    Decimal decimal = exactDecimal(value);
    roundAway(decimal, precision);

    std::string text = decimal.negative ? "-" : "";
    const std::string& digits = decimal.digits;
    const int count = static_cast<int>(digits.size());
    if (decimal.exponent < -4 || decimal.exponent >= precision) {
        text += digits[0];
        if (count > 1) {
            text += '.';
            text.append(digits, 1);
        }
        const int magnitude = std::abs(decimal.exponent);
        text += decimal.exponent < 0 ? "E-" : "E+";
        if (magnitude < 10)
            text += '0';
        text += std::to_string(magnitude);
    } else if (decimal.exponent < 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-decimal.exponent - 1), '0');
        text += digits;
    } else {
        const int integerDigits = decimal.exponent + 1;
        if (count <= integerDigits) {
            text += digits;
            text.append(static_cast<std::size_t>(integerDigits - count), '0');
        } else {
            text.append(digits, 0, static_cast<std::size_t>(integerDigits));
            text += '.';
            text.append(digits, static_cast<std::size_t>(integerDigits));
        }
    }
    return QString::fromLatin1(text);
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<qint16> tryNearest(double value)
{
    // Checked before any arithmetic so the conversion below only ever sees a value that fits.
    if (!std::isfinite(value) || std::fabs(value) > 65536)
        return std::nullopt;
    const double below = std::floor(value);
    const double fraction = value - below; // exact for magnitudes this small
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2) != 0))
        rounded = below + 1;
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

qint16 nearest(double value)
{
    if (const auto result = tryNearest(value))
        return *result;
    throw OverflowError("value does not fit a 16-bit integer: " + std::to_string(value));
}

QString halfWidthNumberText(QStringView text)
{
    QString result = text.toString();
    for (QChar& c : result) {
        const char16_t u = c.unicode();
        if (u >= u'０' && u <= u'９')
            c = QChar(u'0' + (u - u'０'));
        else if (u == u'．')
            c = u'.';
        else if (u == u'，')
            c = u',';
        else if (u == u'－' || u == u'\u2212')
            c = u'-';
        else if (u == u'＋')
            c = u'+';
        else if (u == u'ｅ')
            c = u'e';
        else if (u == u'Ｅ')
            c = u'E';
        else if (u == u'\u3000')
            c = u' ';
    }
    return result;
}

QString halfWidthIdentifierText(QStringView text)
{
    QString result = text.toString();
    for (QChar& c : result) {
        const char16_t u = c.unicode();
        if (u >= u'０' && u <= u'９')
            c = QChar(u'0' + (u - u'０'));
        else if (u >= u'Ａ' && u <= u'Ｚ')
            c = QChar(u'A' + (u - u'Ａ'));
        else if (u >= u'ａ' && u <= u'ｚ')
            c = QChar(u'a' + (u - u'ａ'));
        else if (u == u'－' || u == u'\u2212' || u == u'\u2010' || u == u'\u2011')
            c = u'-';
    }
    return result;
}

namespace {

// The exponent at i, when there is one, added to number and its value to exponent; where reading goes on.
// An exponent counts only with at least one digit: "1E" and "1E+" read as 1 and leave the E unread.
qsizetype readExponent(QStringView text, qsizetype i, std::string& number, qint64& exponent)
{
    const qsizetype size = text.size();
    if (i >= size || (text[i] != u'E' && text[i] != u'e'))
        return i;
    qsizetype j = i + 1;
    const bool negativeExponent = j < size && text[j] == u'-';
    if (j < size && (text[j] == u'+' || text[j] == u'-'))
        ++j;
    if (j >= size || !isAsciiDigit(text[j]))
        return i;
    number += negativeExponent ? "e-" : "e";
    for (; j < size && isAsciiDigit(text[j]); ++j) {
        number += static_cast<char>(text[j].unicode());
        // Far past any double's range; saturating keeps the sum below from overflowing.
        exponent = std::min<qint64>(exponent * 10 + (text[j].unicode() - u'0'), 1'000'000'000);
    }
    if (negativeExponent)
        exponent = -exponent;
    return j;
}

} // namespace

LeadingNumber readLeadingNumber(QStringView text)
{
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size && isBlank(text[i]))
        ++i;

    std::string number;
    if (i < size && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            number += '-';
        ++i;
    }
    bool anyDigit = false;
    bool seenPoint = false;
    // Where the significant digits start relative to the point, for telling overflow from underflow.
    qsizetype integerDigits = 0;
    qsizetype fractionZeros = 0;
    bool significant = false;
    for (; i < size; ++i) {
        const QChar c = text[i];
        if (isAsciiDigit(c)) {
            anyDigit = true;
            significant = significant || c != u'0';
            if (!seenPoint && significant)
                ++integerDigits;
            else if (seenPoint && !significant)
                ++fractionZeros;
            number += static_cast<char>(c.unicode());
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
            number += '.';
        } else {
            break;
        }
    }
    if (!anyDigit)
        return {};

    qint64 exponent = 0;
    i = readExponent(text, i, number, exponent);

    // from_chars always reads '.' as the decimal point, whatever locale the application runs under, and
    // gives the correctly rounded double however long the digits run.
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Out of range is either past the largest double or below the smallest: the decimal position of the
        // first significant digit tells which.
        const qint64 magnitude = (integerDigits > 0 ? integerDigits : -fractionZeros) + exponent;
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        if (number.front() == '-')
            value = -value;
    }
    // "-0" reads as plain zero.
    return { value + 0.0, i };
}

double leadingNumber(QStringView text)
{
    return readLeadingNumber(text).value;
}

QString singleText(float value)
{
    return generalText(value, 7);
}

QString doubleText(double value)
{
    return generalText(value, 15);
}

QString fixedText(double value, int decimals)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    decimals = std::max(decimals, 0);
    Decimal decimal = exactDecimal(value);
    roundAway(decimal, decimal.exponent + 1 + decimals);

    const bool zero = decimal.digits == "0";
    std::string text = decimal.negative && !zero ? "-" : "";
    // Place the digits on a grid from 10^max(exponent, 0) down to 10^-decimals.
    const int top = std::max(decimal.exponent, 0);
    for (int power = top; power >= -decimals; --power) {
        if (power == -1)
            text += '.';
        const int index = decimal.exponent - power;
        const bool inside = !zero && index >= 0 && index < static_cast<int>(decimal.digits.size());
        text += inside ? decimal.digits[static_cast<std::size_t>(index)] : '0';
    }
    return QString::fromLatin1(text);
}

namespace {

template <typename T> QString shortestText(T value)
{
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, ec == std::errc() ? end - text : 0);
}

} // namespace

QString exactText(double value)
{
    return shortestText(value);
}

QString exactText(float value)
{
    return shortestText(value);
}

} // namespace norvel
