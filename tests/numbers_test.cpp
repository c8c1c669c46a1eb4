#include "core/numbers.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

using namespace norvel;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

std::string paramName(const std::string& name)
{
    std::string result;
    for (const char c : name)
        result += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return result;
}

template <typename Case> std::string caseName(const testing::TestParamInfo<Case>& info)
{
    return paramName(info.param.name);
}

struct NearestCase {
    const char* name;
    double value;
    std::optional<qint16> expected;
};

class NearestTest : public testing::TestWithParam<NearestCase> { };

TEST_P(NearestTest, RoundsHalvesToEvenWithinSixteenBits)
{
    const auto& c = GetParam();
    EXPECT_EQ(tryNearest(c.value), c.expected);
    if (c.expected)
        EXPECT_EQ(nearest(c.value), *c.expected);
    else
        EXPECT_THROW(static_cast<void>(nearest(c.value)), OverflowError);
}

INSTANTIATE_TEST_SUITE_P(Numbers, NearestTest,
    testing::Values(NearestCase { "twelve_half", 12.5, 12 }, NearestCase { "thirty_seven_half", 37.5, 38 },
        NearestCase { "two_half", 2.5, 2 }, NearestCase { "three_half", 3.5, 4 }, NearestCase { "zero_half", 0.5, 0 },
        NearestCase { "one_half", 1.5, 2 }, NearestCase { "minus_half", -0.5, 0 },
        NearestCase { "minus_two_half", -2.5, -2 }, NearestCase { "minus_three_half", -3.5, -4 },
        NearestCase { "thousand_half", 1000.5, 1000 }, NearestCase { "thousand_one_half", 1001.5, 1002 },
        NearestCase { "minus_thousand_one_half", -1001.5, -1002 },
        // 0.49999999999999994 + 0.5 rounds up to 1 in double arithmetic.
        NearestCase { "just_below_half", 0.49999999999999994, 0 },
        NearestCase { "just_above_two_half", 2.5000000001, 3 },
        NearestCase { "just_below_minus_two_half", -2.5000000001, -3 }, NearestCase { "minus_zero", -0.0, 0 },
        NearestCase { "top", 32767.4, 32767 }, NearestCase { "top_even_half", 32766.5, 32766 },
        NearestCase { "top_half_overflows", 32767.5, std::nullopt },
        NearestCase { "bottom_half_is_even", -32768.5, -32768 },
        NearestCase { "below_bottom_half", -32768.5000001, std::nullopt },
        NearestCase { "bottom_minus_one", -32769.0, std::nullopt },
        NearestCase { "wraps_if_cast", 65536.0, std::nullopt }, NearestCase { "huge", 1e300, std::nullopt },
        NearestCase { "nan", nan, std::nullopt }, NearestCase { "inf", inf, std::nullopt },
        NearestCase { "minus_inf", -inf, std::nullopt }),
    caseName<NearestCase>);

struct LeadingCase {
    const char* name;
    const char16_t* text;
    double value;
    qsizetype length;
};

class LeadingNumberTest : public testing::TestWithParam<LeadingCase> { };

TEST_P(LeadingNumberTest, ReadsLikeVal)
{
    const auto& c = GetParam();
    const auto text = QString::fromUtf16(c.text);
    const auto result = readLeadingNumber(text);
    EXPECT_EQ(result.value, c.value);
    EXPECT_EQ(result.length, c.length);
    EXPECT_EQ(leadingNumber(text), c.value);
}

INSTANTIATE_TEST_SUITE_P(Numbers, LeadingNumberTest,
    testing::Values(LeadingCase { "empty", u"", 0, 0 }, LeadingCase { "letters", u"abc", 0, 0 },
        LeadingCase { "blanks_only", u" \t ", 0, 0 }, LeadingCase { "unit_after", u"  12.5mm", 12.5, 6 },
        LeadingCase { "point_first", u".5", 0.5, 2 }, LeadingCase { "point_last", u"1.", 1, 2 },
        LeadingCase { "sign_alone", u"-", 0, 0 }, LeadingCase { "point_alone", u".", 0, 0 },
        LeadingCase { "sign_point", u"-.", 0, 0 }, LeadingCase { "negative_fraction", u"-.25", -0.25, 4 },
        LeadingCase { "plus", u"+7", 7, 2 }, LeadingCase { "second_point", u"3.5.1", 3.5, 3 },
        LeadingCase { "comma", u"1,5", 1, 1 }, LeadingCase { "lower_case_exponent", u"1e3", 1000, 3 },
        LeadingCase { "all_blank_kinds", u"\t\r\n 8", 8, 5 }, LeadingCase { "negative_then_text", u" -3x", -3, 3 },
        LeadingCase { "blank_after_sign", u"- 5", 0, 0 }, LeadingCase { "double_sign", u"--1", 0, 0 },
        LeadingCase { "no_break_space", u"\u00a05", 0, 0 }, LeadingCase { "full_width", u"\uff11\uff12", 0, 0 },
        LeadingCase { "full_width_after", u"12\uff13", 12, 2 }, LeadingCase { "leading_zeros", u"007", 7, 3 },
        LeadingCase { "minus_zero", u"-0", 0, 2 }, LeadingCase { "tenth", u"0.1", 0.1, 3 },
        // A digit-by-digit accumulation gets these wrong; the nearest double is required.
        LeadingCase { "tie_above_2_53", u"9007199254740993", 9007199254740992.0, 16 },
        LeadingCase { "thirty_digits", u"123456789012345678901234567890", 1.2345678901234568e29, 30 },
        LeadingCase { "many_decimals", u"0.30000000000000004441", 0.30000000000000004, 22 },
        // An exponent needs a digit; otherwise the E is left unread, as strtod leaves it.
        LeadingCase { "small_limit_as_shown", u"1E-05", 1e-5, 5 },
        LeadingCase { "large_limit_as_shown", u"2E+07", 2e7, 5 }, LeadingCase { "e_alone", u"1E", 1, 1 },
        LeadingCase { "e_sign_alone", u"1E+", 1, 1 }, LeadingCase { "e_minus_alone", u"1e-x", 1, 1 },
        LeadingCase { "e_blank", u"1E 5", 1, 1 }, LeadingCase { "e_twice", u"1EE5", 1, 1 },
        LeadingCase { "exponent_then_unit", u" -1.5E3mm", -1500, 7 },
        LeadingCase { "no_point_in_exponent", u"1e5.5", 100000, 3 },
        LeadingCase { "point_before_exponent", u"1.e2", 100, 4 }, LeadingCase { "fraction_exponent", u".5e1", 5, 4 },
        LeadingCase { "exponent_without_mantissa", u".e5", 0, 0 },
        LeadingCase { "exponent_leading_zeros", u"25E-0003", 0.025, 8 },
        LeadingCase { "zero_huge_exponent", u"0e999", 0, 5 }, LeadingCase { "overflow_by_exponent", u"1E+400", inf, 6 },
        LeadingCase { "negative_overflow", u"-12e99999999999999999999", -inf, 24 },
        LeadingCase { "underflow_by_exponent", u"1E-400", 0, 6 },
        LeadingCase { "underflow_despite_integer_digits", u"123e-99999999999", 0, 16 },
        LeadingCase { "subnormal", u"1e-310", 1e-310, 6 },
        LeadingCase { "leading_fraction_zeros_in_range", u"0.000000000000000000000001e330", 1e306, 30 },
        LeadingCase { "leading_fraction_zeros_overflow", u"0.01e311", inf, 8 }),
    caseName<LeadingCase>);

struct HalfWidthCase {
    const char* name;
    const char16_t* typed;
    const char16_t* expected;
};

class HalfWidthNumberTest : public testing::TestWithParam<HalfWidthCase> { };

TEST_P(HalfWidthNumberTest, TurnsFullWidthNumberCharactersOneForOne)
{
    const auto& c = GetParam();
    const QString typed = QString::fromUtf16(c.typed);
    const QString half = halfWidthNumberText(typed);
    EXPECT_EQ(half, QString::fromUtf16(c.expected));
    EXPECT_EQ(half.size(), typed.size());
}

INSTANTIATE_TEST_SUITE_P(Numbers, HalfWidthNumberTest,
    testing::Values(HalfWidthCase { "width", u"０．５０", u"0.50" },
        HalfWidthCase { "all_digits", u"０１２３４５６７８９", u"0123456789" },
        HalfWidthCase { "full_width_minus", u"－１", u"-1" }, HalfWidthCase { "minus_sign", u"\u22122", u"-2" },
        HalfWidthCase { "comma", u"１，５", u"1,5" }, HalfWidthCase { "plus_and_exponents", u"＋１ｅ３Ｅ", u"+1e3E" },
        HalfWidthCase { "ideographic_space", u"\u3000１２\u3000", u" 12 " },
        HalfWidthCase { "mixed_with_half_width", u"1２.３", u"12.3" },
        HalfWidthCase { "half_width_untouched", u"-12.5e+3, ", u"-12.5e+3, " },
        // Characters next to the number forms stay: ideographic full stop and comma, letters, kana, units.
        HalfWidthCase { "others_untouched", u"。、ａＡ目盛りmm／", u"。、ａＡ目盛りmm／" },
        HalfWidthCase { "empty", u"", u"" }),
    caseName<HalfWidthCase>);

TEST(LeadingNumber, NegativeZeroReadsAsPlainZero)
{
    EXPECT_FALSE(std::signbit(leadingNumber(u"-0.0")));
}

TEST(LeadingNumber, VeryLongDigitRunsStayFinitelyHandled)
{
    const QString nines(5000, u'9');
    const auto huge = readLeadingNumber(nines);
    EXPECT_EQ(huge.value, inf);
    EXPECT_EQ(huge.length, 5000);
    EXPECT_EQ(leadingNumber(QStringLiteral("-") + nines), -inf);

    const QString tiny = QStringLiteral("0.") + QString(400, u'0') + QStringLiteral("1");
    const auto small = readLeadingNumber(tiny);
    EXPECT_EQ(small.value, 0);
    EXPECT_EQ(small.length, tiny.size());

    const QString longFraction = QStringLiteral("2.") + QString(3000, u'0') + QStringLiteral("1mm");
    const auto fraction = readLeadingNumber(longFraction);
    EXPECT_EQ(fraction.value, 2);
    EXPECT_EQ(fraction.length, longFraction.size() - 2);
}

struct SingleCase {
    const char* name;
    float value;
    const char* expected;
};

class SingleTextTest : public testing::TestWithParam<SingleCase> { };

TEST_P(SingleTextTest, ShowsSevenSignificantDigits)
{
    EXPECT_EQ(singleText(GetParam().value).toStdString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Numbers, SingleTextTest,
    testing::Values(SingleCase { "scaled_width", 1920.0f * 480 / 1080, "853.3333" }, SingleCase { "one", 1, "1" },
        SingleCase { "half", 0.5f, "0.5" }, SingleCase { "whole", 640, "640" }, SingleCase { "negative", -2, "-2" },
        SingleCase { "two_half", 2.5f, "2.5" },
        // Held as 0.444444447755...: the exact value is rounded, not its nine-digit text 0.44444445.
        SingleCase { "four_ninths", 480.0f / 1080.0f, "0.4444444" }, SingleCase { "two_thirds", 2.0f / 3, "0.6666667" },
        // Held exactly as 654322.25: a true tie, away from zero.
        SingleCase { "exact_tie", 654322.25f, "654322.3" }, SingleCase { "tenth", 0.1f, "0.1" },
        SingleCase { "seven_digit_whole", 9999999.0f, "9999999" },
        SingleCase { "eight_digit_whole", 12345678.0f, "1.234568E+07" },
        SingleCase { "ten_million", 10000000.0f, "1E+07" },
        // Held as 0.0000999999997..., which rounds up into the next decade and stays fixed.
        SingleCase { "ten_thousandth", 0.0001f, "0.0001" }, SingleCase { "hundred_thousandth", 0.00001f, "1E-05" },
        SingleCase { "small_negative", -0.000123f, "-0.000123" }, SingleCase { "tiny", 1.0e-10f, "1E-10" },
        // Held as 3.40282347e38: rounded once, the seventh digit stays.
        SingleCase { "largest", std::numeric_limits<float>::max(), "3.402823E+38" },
        SingleCase { "smallest_normal", std::numeric_limits<float>::min(), "1.175494E-38" },
        SingleCase { "minus_zero", -0.0f, "0" }),
    caseName<SingleCase>);

// A width limit is shown with singleText() and read back from its box at every start; what is read must be
// the value shown, and from the first start on the text must not drift.
struct ShownSingleCase {
    const char* name;
    float value;
    float shown; // the single nearest the text, which has only seven digits
};

class ShownSingleTest : public testing::TestWithParam<ShownSingleCase> { };

TEST_P(ShownSingleTest, ReadsBackAsTheValueShown)
{
    const auto& c = GetParam();
    const QString text = singleText(c.value);
    float value = c.value;
    for (int start = 0; start < 3; ++start) {
        value = static_cast<float>(leadingNumber(singleText(value)));
        EXPECT_EQ(value, c.shown) << start;
        EXPECT_EQ(singleText(value), text) << start;
    }
}

INSTANTIATE_TEST_SUITE_P(Numbers, ShownSingleTest,
    testing::Values(ShownSingleCase { "hundred_thousandth", 1e-5f, 1e-5f },
        ShownSingleCase { "negative_small", -1e-5f, -1e-5f }, ShownSingleCase { "twenty_million", 2e7f, 2e7f },
        ShownSingleCase { "half", 0.5f, 0.5f }, ShownSingleCase { "one", 1, 1 }, ShownSingleCase { "zero", 0, 0 },
        ShownSingleCase { "seven_digits", 123456.7f, 123456.7f }, ShownSingleCase { "near_largest", 3.4e38f, 3.4e38f },
        ShownSingleCase { "tiny", 1e-10f, 1e-10f }, ShownSingleCase { "ten_thousandth", 0.0001f, 0.0001f },
        ShownSingleCase { "two_thirds", 2.0f / 3, 0.6666667f },
        ShownSingleCase { "eight_digit_whole", 12345678.0f, 12345680.0f },
        // Above 2^33 singles lie 1024 apart while seven digits step by 1000.
        ShownSingleCase { "coarser_than_the_digits", 8589935616.0f, 8589935616.0f },
        ShownSingleCase { "largest", std::numeric_limits<float>::max(), 3.402823e38f },
        ShownSingleCase { "smallest_normal", std::numeric_limits<float>::min(), 1.175494e-38f },
        ShownSingleCase { "smallest_subnormal", std::numeric_limits<float>::denorm_min(), 1.401298e-45f }),
    caseName<ShownSingleCase>);

struct DoubleCase {
    const char* name;
    double value;
    const char* expected;
};

class DoubleTextTest : public testing::TestWithParam<DoubleCase> { };

TEST_P(DoubleTextTest, ShowsFifteenSignificantDigits)
{
    EXPECT_EQ(doubleText(GetParam().value).toStdString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Numbers, DoubleTextTest,
    testing::Values(DoubleCase { "single_ratio_times_width", double(480.0f / 1080.0f) * 1920, "853.333339691162" },
        DoubleCase { "single_as_double", double(1920.0f * 480 / 1080), "853.333312988281" },
        DoubleCase { "four_ninths_single", double(480.0f / 1080.0f), "0.444444447755814" },
        DoubleCase { "one", 1, "1" }, DoubleCase { "half", 0.5, "0.5" }, DoubleCase { "negative", -2, "-2" },
        DoubleCase { "sum_noise_hidden", 0.1 + 0.2, "0.3" }, DoubleCase { "third", 1.0 / 3, "0.333333333333333" },
        DoubleCase { "two_thirds", 2.0 / 3, "0.666666666666667" },
        DoubleCase { "fifteen_digit_whole", 999999999999999.0, "999999999999999" },
        DoubleCase { "sixteen_digit_whole", 1e15, "1E+15" },
        DoubleCase { "rounded_mantissa", 123456789012345678.0, "1.23456789012346E+17" },
        DoubleCase { "three_digit_exponent", 1e100, "1E+100" }, DoubleCase { "ten_thousandth", 0.0001, "0.0001" },
        DoubleCase { "hundred_thousandth", 0.00001, "1E-05" }, DoubleCase { "negative_tiny", -1.5e-20, "-1.5E-20" },
        DoubleCase { "minus_zero", -0.0, "0" }),
    caseName<DoubleCase>);

struct FixedCase {
    const char* name;
    double value;
    int decimals;
    const char* expected;
};

class FixedTextTest : public testing::TestWithParam<FixedCase> { };

TEST_P(FixedTextTest, RoundsTheHeldValueHalfAwayFromZero)
{
    const auto& c = GetParam();
    EXPECT_EQ(fixedText(c.value, c.decimals).toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Numbers, FixedTextTest,
    testing::Values(FixedCase { "exact_tie", 0.125, 2, "0.13" }, FixedCase { "exact_tie_single", 0.125f, 2, "0.13" },
        FixedCase { "exact_tie_odd", 0.375, 2, "0.38" }, FixedCase { "exact_tie_one_decimal", 0.25, 1, "0.3" },
        FixedCase { "exact_tie_negative", -0.125, 2, "-0.13" }, FixedCase { "near_tie_below", 2.675, 2, "2.67" },
        FixedCase { "near_tie_below_one", 1.005, 2, "1.00" }, FixedCase { "near_tie_below_small", 0.015, 2, "0.01" },
        FixedCase { "near_tie_below_tenth", 0.35, 1, "0.3" }, FixedCase { "near_tie_above", 0.0005, 3, "0.001" },
        FixedCase { "near_tie_above_tenth", 0.05, 1, "0.1" },
        FixedCase { "near_tie_above_negative", -0.005, 2, "-0.01" }, FixedCase { "single_fifth", 0.2f, 3, "0.200" },
        FixedCase { "single_ratio", 62.0f / 2 / 91, 2, "0.34" },
        FixedCase { "single_quotient", 37.0f / 185, 3, "0.200" },
        FixedCase { "single_digits_shown", 0.3f, 9, "0.300000012" }, FixedCase { "zero", 0, 2, "0.00" },
        FixedCase { "negative", -1.5, 2, "-1.50" }, FixedCase { "negative_to_zero", -0.001, 2, "0.00" },
        FixedCase { "minus_zero", -0.0, 2, "0.00" }, FixedCase { "carry_through", 9.9951, 2, "10.00" },
        FixedCase { "near_tie_below_carry", 9.995, 2, "9.99" }, FixedCase { "no_point", 1234.5678, 0, "1235" },
        FixedCase { "no_point_tie", 2.5, 0, "3" }, FixedCase { "no_point_tie_negative", -2.5, 0, "-3" },
        FixedCase { "no_point_half", 0.5, 0, "1" }, FixedCase { "no_point_carry", 99.5, 0, "100" },
        FixedCase { "no_point_down", 0.4, 0, "0" }, FixedCase { "large", 1e20, 2, "100000000000000000000.00" },
        FixedCase { "denormal", 5e-324, 3, "0.000" }, FixedCase { "ordinary", 123.456, 3, "123.456" }),
    caseName<FixedCase>);

TEST(FixedText, NonFiniteValuesGiveText)
{
    EXPECT_EQ(fixedText(nan, 2), u"NaN");
    EXPECT_EQ(fixedText(inf, 2), u"Inf");
    EXPECT_EQ(fixedText(-inf, 3), u"-Inf");
    EXPECT_EQ(doubleText(nan), u"NaN");
}

} // namespace
