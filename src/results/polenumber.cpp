#include "results/polenumber.h"

#include "files/durablefile.h"

#include <algorithm>
#include <cstdlib>

namespace norvel {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Whole numbers as decimal digit texts without leading zeros ("0" for zero).
QString withoutLeadingZeros(const QString& digits)
{
    qsizetype first = 0;
    while (first + 1 < digits.size() && digits[first] == QLatin1Char('0'))
        ++first;
    return digits.mid(first);
}

int digitAt(const QString& digits, qsizetype fromRight)
{
    return fromRight < digits.size() ? digits[digits.size() - 1 - fromRight].unicode() - u'0' : 0;
}

int compareWhole(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

QString addWhole(const QString& a, const QString& b)
{
    QString sum; // lowest digit first until reversed
    int carry = 0;
    for (qsizetype i = 0; i < std::max(a.size(), b.size()) || carry > 0; ++i) {
        const int d = digitAt(a, i) + digitAt(b, i) + carry;
        sum += QChar(u'0' + d % 10);
        carry = d / 10;
    }
    std::reverse(sum.begin(), sum.end());
    return sum;
}

// a - b for a >= b.
QString subtractWhole(const QString& a, const QString& b)
{
    QString difference; // lowest digit first until reversed
    int borrow = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const int d = digitAt(a, i) - digitAt(b, i) - borrow;
        borrow = d < 0 ? 1 : 0;
        difference += QChar(u'0' + d + 10 * borrow);
    }
    std::reverse(difference.begin(), difference.end());
    return withoutLeadingZeros(difference);
}

// The digits of 1 - 0.fraction, for a fraction without trailing zeros.
QString complementFraction(const QString& fraction)
{
    QString complement(fraction.size(), QLatin1Char('0'));
    for (qsizetype i = 0; i < fraction.size(); ++i)
        complement[i] = QChar(u'9' - (fraction[i].unicode() - u'0'));
    complement.back() = QChar(complement.back().unicode() + 1);
    return complement;
}

// whole.fraction + step in exact decimal text, without trailing fraction zeros: no double rounds a long
// pole number ("999999999999999" + 1 must not become "1E+15").
QString steppedDecimal(const QString& whole, QString fraction, int step)
{
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    const QString integer = withoutLeadingZeros(whole);
    const QString amount = QString::number(std::abs(static_cast<qint64>(step)));
    const auto join = [](const QString& sign, const QString& w, const QString& f) {
        return f.isEmpty() ? sign + w : sign + w + QLatin1Char('.') + f;
    };
    if (step >= 0)
        return join(QString(), addWhole(integer, amount), fraction);
    if (compareWhole(integer, amount) >= 0)
        return join(QString(), subtractWhole(integer, amount), fraction);
    // Below zero: amount - whole.fraction, borrowing one from the whole part for a fraction.
    if (fraction.isEmpty())
        return join(QStringLiteral("-"), subtractWhole(amount, integer), fraction);
    return join(QStringLiteral("-"), subtractWhole(subtractWhole(amount, integer), QStringLiteral("1")),
        complementFraction(fraction));
}

} // namespace

QString steppedPoleNumber(const QString& text, int step)
{
    if (text.size() < 2)
        return steppedDecimal(text.size() == 1 && isAsciiDigit(text[0]) ? text : QStringLiteral("0"), {}, step);
    qsizetype firstDigit = 0;
    while (firstDigit < text.size() && !isAsciiDigit(text[firstDigit]))
        ++firstDigit;
    if (firstDigit == text.size())
        return text;
    // Digits and one point; no sign and no exponent, which belong to the prefix and the dropped tail.
    qsizetype end = firstDigit;
    while (end < text.size() && isAsciiDigit(text[end]))
        ++end;
    const QString whole = text.mid(firstDigit, end - firstDigit);
    QString fraction;
    if (end < text.size() && text[end] == QLatin1Char('.')) {
        qsizetype fractionEnd = end + 1;
        while (fractionEnd < text.size() && isAsciiDigit(text[fractionEnd]))
            ++fractionEnd;
        fraction = text.mid(end + 1, fractionEnd - end - 1);
    }
    return text.left(firstDigit) + steppedDecimal(whole, fraction, step);
}

QString poleNumberProblem(const QString& pole)
{
    if (pole.startsWith(QLatin1Char('.')))
        return QStringLiteral("「.」で始まる番号はフォルダ名に使えません。");
    if (pole.size() > PoleNumberMaxLength)
        return QStringLiteral("%1文字を超える番号はフォルダ名・ファイル名に使えません（%2文字）。")
            .arg(PoleNumberMaxLength)
            .arg(pole.size());
    for (const QChar c : pole) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return QStringLiteral("「/」「\\」はフォルダ名に使えません。");
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("制御文字はフォルダ名に使えません。");
    }
    return {};
}

bool isUsablePoleNumber(const QString& pole)
{
    return poleNumberProblem(pole).isEmpty();
}

bool writeResultFile(const QString& path, const QStringList& widths, QString* error)
{
    return writeFileNamed(path, resultFileContent(widths), QStringLiteral("結果ファイル"), error);
}

double fileAgeSeconds(const QDateTime& modified, const QDateTime& now)
{
    return static_cast<double>(modified.msecsTo(now)) / 1000.0;
}

} // namespace norvel
