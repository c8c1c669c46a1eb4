// Pole stepping: stepping up then down returns the number.
//
// Stepping normalises the number ("007" + 1 is "8", "1.50" + 1 is "2.5") and drops what follows it, so a
// step and its reverse cannot always give the original text back. What must hold, for every usable pole
// number t (the input as UTF-8):
// - for s = step(t, +1): step(step(s, -1), +1) == s, and for s = step(t, -1): step(step(s, +1), -1) == s;
// - when t is already normal (its number part has no leading or trailing zeros, nothing follows it), then
//   step(step(t, +1), -1) == t;
// - where a double is exact (the number spans at most 14 decimal places), the step equals the double sum
//   shown with 15 digits, as pole numbers were always stepped; this catches a wrong carry or borrow.
#include "core/numbers.h"
#include "fuzzcheck.h"
#include "results/polenumber.h"

#include <cstdint>

using namespace norvel;
using norvel::fuzz::require;
using norvel::fuzz::shown;

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The parts of a text of two or more characters as stepping reads it.
struct PoleParts {
    qsizetype numberStart = 0;
    QString whole;
    QString fraction;
    bool point = false;
    qsizetype end = 0;
};

PoleParts partsOf(const QString& text)
{
    PoleParts parts;
    while (parts.numberStart < text.size() && !isDigit(text[parts.numberStart]))
        ++parts.numberStart;
    qsizetype i = parts.numberStart;
    while (i < text.size() && isDigit(text[i]))
        parts.whole += text[i++];
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        parts.point = true;
        ++i;
        while (i < text.size() && isDigit(text[i]))
            parts.fraction += text[i++];
    }
    parts.end = i;
    return parts;
}

bool isNormal(const QString& text)
{
    if (text.size() < 2)
        return text.size() == 1 && isDigit(text[0]);
    const PoleParts parts = partsOf(text);
    if (parts.whole.isEmpty() || parts.end != text.size())
        return false;
    if (parts.whole.size() > 1 && parts.whole.startsWith(QLatin1Char('0')))
        return false;
    if (parts.point && (parts.fraction.isEmpty() || parts.fraction.endsWith(QLatin1Char('0'))))
        return false;
    return true;
}

// Stepping down a fraction cancels digits in a double ("1.0000000000001" - 1), so only whole numbers are
// compared there.
void checkAgainstDouble(const QString& text, int step, const QString& stepped)
{
    QString prefix;
    QString number = text.size() == 1 && isDigit(text[0]) ? text : QStringLiteral("0");
    if (text.size() >= 2) {
        const PoleParts parts = partsOf(text);
        if (parts.whole.isEmpty())
            return;
        prefix = text.left(parts.numberStart);
        number = text.mid(parts.numberStart, parts.end - parts.numberStart);
    }
    const qsizetype point = number.indexOf(QLatin1Char('.'));
    const qsizetype places = point < 0 ? number.size() : number.size() - 1;
    if (places > 14 || (step < 0 && point >= 0))
        return;
    const QString expected = prefix + doubleText(leadingNumber(number) + step);
    require(stepped == expected, "a short number steps as its double sum shows",
        shown(text) + QStringLiteral(" stepped ") + QString::number(step) + QStringLiteral(": ") + shown(stepped)
            + QStringLiteral(", double sum ") + shown(expected));
}

void checkReturns(const QString& from, int step)
{
    const QString once = steppedPoleNumber(from, step);
    const QString back = steppedPoleNumber(once, -step);
    const QString again = steppedPoleNumber(back, step);
    require(again == once, "stepping back and forth again returns the stepped number",
        shown(from) + QStringLiteral(" -> ") + shown(once) + QStringLiteral(" -> ") + shown(back)
            + QStringLiteral(" -> ") + shown(again));
    checkAgainstDouble(from, step, once);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!isUsablePoleNumber(text))
        return 0;
    checkReturns(text, +1);
    checkReturns(text, -1);
    if (isNormal(text)) {
        const QString up = steppedPoleNumber(text, +1);
        require(steppedPoleNumber(up, -1) == text, "a normal number stepped up and down is itself",
            shown(text) + QStringLiteral(" -> ") + shown(up));
    }
    return 0;
}
