#include "ledger/ledgerwidths.h"

#include "core/numbers.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace norvel {

namespace {

// Epsilon for "at or above": 0.2 typed and 0.2 from the spin box are the same double, but a mean or a
// width read from "0.20" must not fall just short of the line through rounding.
constexpr double JudgementTolerance = 1e-9;

int compareDigitRuns(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front().digitValue() == 0)
        a = a.mid(1);
    while (b.size() > 1 && b.front().digitValue() == 0)
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].digitValue() != b[i].digitValue())
            return a[i].digitValue() < b[i].digitValue() ? -1 : 1;
    }
    return 0;
}

qsizetype digitRunEnd(QStringView text, qsizetype from)
{
    while (from < text.size() && text[from].isDigit())
        ++from;
    return from;
}

// Text order with runs of digits compared by value; texts equal that way ("A01", "A1") by their characters.
int naturalCompare(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype endA = digitRunEnd(a, i);
            const qsizetype endB = digitRunEnd(b, j);
            if (const int order = compareDigitRuns(a.sliced(i, endA - i), b.sliced(j, endB - j)))
                return order;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

} // namespace

// Not exactNumber: a width or pole number typed by hand as "+5" has always counted as a number here.
std::optional<double> widthNumber(const QString& text)
{
    bool ok = false;
    const double value = halfWidthNumberText(text).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool poleBefore(const QString& a, const QString& b)
{
    const std::optional<double> numberA = widthNumber(a);
    const std::optional<double> numberB = widthNumber(b);
    if (numberA.has_value() != numberB.has_value())
        return numberA.has_value();
    if (numberA && *numberA != *numberB)
        return *numberA < *numberB;
    return naturalCompare(a, b) < 0;
}

QString judgementText(std::optional<double> widthMm, double judgementMm)
{
    return widthMm && *widthMm >= judgementMm - JudgementTolerance ? QStringLiteral("要注意") : QString();
}

void DirectionWidths::add(CrackDirection direction, double widthMm)
{
    std::optional<double>& widestHere = widest[static_cast<std::size_t>(direction)];
    if (!widestHere || widthMm > *widestHere)
        widestHere = widthMm;
}

std::optional<double> DirectionWidths::of(CrackDirection direction) const
{
    return widest[static_cast<std::size_t>(direction)];
}

std::optional<double> DirectionWidths::overall() const
{
    std::optional<double> all;
    for (const std::optional<double>& width : widest) {
        if (width && (!all || *width > *all))
            all = width;
    }
    return all;
}

bool DirectionWidths::marked(const JudgementLines& lines) const
{
    for (const CrackDirection direction : { CrackDirection::Unknown, CrackDirection::Transverse,
             CrackDirection::Longitudinal, CrackDirection::Oblique }) {
        if (!judgementText(of(direction), lines.lineFor(direction)).isEmpty())
            return true;
    }
    return false;
}

std::optional<double> rowWidth(const QString& text, bool* outOfRange)
{
    static const QRegularExpression decimal(QStringLiteral("^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][+-]?[0-9]+)?$"));
    static const QRegularExpression word(
        QStringLiteral("^[+-]?(inf|infinity|nan)$"), QRegularExpression::CaseInsensitiveOption);
    if (outOfRange)
        *outOfRange = false;
    // Files filed before the boxes took full width as half width may hold "０．５０".
    const std::optional<double> value = widthNumber(text);
    if (value && *value >= 0 && *value <= LargestWidthMm)
        return value;
    if (outOfRange) {
        const QString trimmed = halfWidthNumberText(text).trimmed();
        *outOfRange = value || decimal.match(trimmed).hasMatch() || word.match(trimmed).hasMatch();
    }
    return std::nullopt;
}

ChartAxis chartAxis(double widestMm, double lineMm)
{
    const double reach = std::max({ widestMm, lineMm, 0.01 }) * 1.05;
    const double rough = reach / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10 * power;
    for (const double factor : { 1.0, 2.0, 5.0 }) {
        if (factor * power >= rough) {
            step = factor * power;
            break;
        }
    }
    // The last tick is at or past the widest bar, so no bar runs off the labelled axis.
    return { std::ceil(reach / step - 1e-9) * step, step };
}

} // namespace norvel
