// The leading-number reader against the C library, and the texts singleText and doubleText write read back.
//
// Each input byte is one character (Latin-1). The reader must agree with strtod in the C locale on the
// prefix it reads: the same value and the same end. strtod takes forms the reader never does, so inputs
// are left out where, after the leading white space and an optional sign, strtod would see a hexadecimal
// number ("0x" or "0X"), an infinity or a NaN ("inf", "nan" in any case), or where the leading white space
// holds a vertical tab or form feed (the boxes never hold them; the reader skips only space, tab, CR, LF).
//
// The first bytes also make a single and a double: their texts must read back whole, as the values they
// show, and the shown text must not change on a second pass (what keeps a limit from drifting per start).
#include "core/numbers.h"
#include "fuzzcheck.h"

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace norvel;
using norvel::fuzz::require;
using norvel::fuzz::shown;

namespace {

bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool startsWithLower(const std::string& text, std::size_t at, const char* word)
{
    for (std::size_t k = 0; word[k] != '\0'; ++k) {
        if (at + k >= text.size() || (text[at + k] | 0x20) != word[k])
            return false;
    }
    return true;
}

bool strtodTakesMore(const std::string& text)
{
    std::size_t i = 0;
    for (; i < text.size() && isCSpace(text[i]); ++i) {
        if (text[i] == '\v' || text[i] == '\f')
            return true;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    return startsWithLower(text, i, "0x") || startsWithLower(text, i, "inf") || startsWithLower(text, i, "nan");
}

void checkAgainstStrtod(const std::string& text)
{
    const QString qtext = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    const LeadingNumber read = readLeadingNumber(qtext);
    require(leadingNumber(qtext) == read.value, "leadingNumber is the value readLeadingNumber reads");
    if (strtodTakesMore(text))
        return;
    // strtod stops at a NUL; so does the reader, for which it is no digit.
    char* end = nullptr;
    const double expected = std::strtod(text.c_str(), &end);
    const auto expectedLength = static_cast<qsizetype>(end - text.c_str());
    require(read.length == expectedLength && read.value == expected, "reads the prefix strtod reads, to the same value",
        QStringLiteral("%1: read %2 of length %3, strtod %4 of length %5")
            .arg(shown(qtext))
            .arg(read.value, 0, 'g', 17)
            .arg(read.length)
            .arg(expected, 0, 'g', 17)
            .arg(expectedLength));
}

void checkSingleShown(float value)
{
    if (!std::isfinite(value))
        return;
    const QString text = singleText(value);
    const LeadingNumber read = readLeadingNumber(text);
    require(read.length == text.size(), "a shown single reads whole", shown(text));
    const auto back = static_cast<float>(read.value);
    require(back == std::strtof(text.toLatin1().constData(), nullptr), "a shown single reads as the value shown",
        shown(text));
    require(singleText(back) == text, "a shown single shows the same after reading back", shown(text));
}

void checkDoubleShown(double value)
{
    if (!std::isfinite(value))
        return;
    const QString text = doubleText(value);
    const LeadingNumber read = readLeadingNumber(text);
    require(read.length == text.size(), "a shown double reads whole", shown(text));
    require(read.value == std::strtod(text.toLatin1().constData(), nullptr), "a shown double reads as the value shown",
        shown(text));
    // Fifteen digits round the very largest doubles up past the range ("1.79769313486232E+308").
    if (std::isinf(read.value))
        return;
    require(doubleText(read.value) == text, "a shown double shows the same after reading back", shown(text));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkAgainstStrtod(std::string(reinterpret_cast<const char*>(data), size));
    if (size >= sizeof(float)) {
        float single = 0;
        std::memcpy(&single, data, sizeof single);
        checkSingleShown(single);
    }
    if (size >= sizeof(double)) {
        double value = 0;
        std::memcpy(&value, data, sizeof value);
        checkDoubleShown(value);
    }
    return 0;
}
