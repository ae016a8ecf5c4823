#include "text/NumberText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

std::string SixPlaces(const char* decimal) {
    CTextBuffer out;
    AppendDecimalSixPlaces(decimal, out);
    return out.Text();
}

}  // namespace

TEST(NumberText, IntegersInDecimal) {
    const struct { int32_t value; const char* text; } cases[] = {
        {0, "0"}, {42, "42"}, {-7, "-7"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"},
    };
    for (const auto& c : cases) EXPECT_STREQ(IntToText(c.value).Text(), c.text) << c.text;
}

TEST(NumberText, SixtyFourBitIntegersExact) {
    EXPECT_STREQ(Int64ToText(5000000000LL).Text(), "5000000000");
    EXPECT_STREQ(Int64ToText(-5000000000LL).Text(), "-5000000000");
    EXPECT_STREQ(Int64ToText(INT64_MIN).Text(), "-9223372036854775808");
    EXPECT_STREQ(Int64ToText(INT64_MAX).Text(), "9223372036854775807");
}

TEST(NumberText, DoublesWithSixDecimals) {
    const struct { double value; const char* text; } cases[] = {
        {2.5, "2.500000"},       {-2.5, "-2.500000"},    {0.0, "0.000000"},
        {0.1, "0.100000"},       {2.0 / 3.0, "0.666667"}, {1234567.891, "1234567.891000"},
        {0.0000004, "0.000000"}, {1e20, "100000000000000000000.000000"},
    };
    for (const auto& c : cases) EXPECT_STREQ(DoubleToText(c.value).Text(), c.text) << c.text;
}

TEST(NumberText, HugeDoublesAreWrittenInFull) {
    const std::string text = DoubleToText(1e300).Text();
    EXPECT_EQ(text.size(), 301u + 7u);
    EXPECT_EQ(text.substr(0, 2), "10");
    EXPECT_EQ(text.substr(text.size() - 7), ".000000");
    const std::string negative = DoubleToText(-2e200).Text();
    EXPECT_EQ(negative.size(), 1u + 201u + 7u);
}

TEST(NumberText, DoublesMatchPrintfOverRandomValues) {
    std::mt19937_64 random(20260101);
    std::uniform_real_distribution<double> everyday(-1e7, 1e7);
    const double limits[] = {DBL_MAX, -DBL_MAX, DBL_MIN, DBL_TRUE_MIN, -0.0, INFINITY, -INFINITY, NAN, -NAN};
    std::vector<double> values(std::begin(limits), std::end(limits));
    for (int i = 0; i < 100000; ++i) {
        const uint64_t bits = random();
        double anyBits = 0;
        std::memcpy(&anyBits, &bits, sizeof anyBits);
        values.push_back(anyBits);
        values.push_back(everyday(random));
        // Halfway between two six-decimal texts, and a step to either side.
        const double tie = (static_cast<double>(bits % 2000000000000000) + 0.5) / 1e6;
        values.insert(values.end(), {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300), -tie});
    }
    values.insert(values.end(), {0.0078125, 999999999.9999995, 1e9 - 5e-7, -999999999.999999});
    for (const double value : values) {
        if (!std::isfinite(value)) {
            ASSERT_STREQ(DoubleToText(value).Text(), std::isnan(value) ? "NaN" : value < 0 ? "-Infinity" : "Infinity");
            continue;
        }
        char expected[MAX_DOUBLE_TEXT + 1];
        ASSERT_LE(std::snprintf(expected, sizeof expected, "%lf", value), static_cast<int>(MAX_DOUBLE_TEXT));
        ASSERT_STREQ(DoubleToText(value).Text(), expected);
    }
}

TEST(NumberText, ShortDecimalsArePaddedAsTheirDoubleIsWritten) {
    const char* const padded[] = {"0", "-0", "7", "2.5", "-2.5", "0.000001", "-0.000", "999999999.999999",
                                  "123456789", "1370.25"};
    for (const char* text : padded) {
        char out[MAX_DOUBLE_TEXT];
        const char* end = PutShortDecimal(out, text, std::strlen(text));
        ASSERT_NE(end, nullptr) << text;
        EXPECT_EQ(std::string(static_cast<const char*>(out), end), DoubleToText(std::strtod(text, nullptr)).Text()) << text;
    }
    const char* const others[] = {"", "-", ".5", "5.", "007", "1234567890", "1.1234567", "1e5", "+1", " 1", "Inf", "1,5"};
    char out[MAX_DOUBLE_TEXT];
    for (const char* text : others) EXPECT_EQ(PutShortDecimal(out, text, std::strlen(text)), nullptr) << text;
}

TEST(NumberText, DecimalsGetSixPlacesRoundedOnTheDigits) {
    const struct { const char* decimal; const char* text; } cases[] = {
        {"2.5", "2.500000"},
        {"123456789012345678.1234", "123456789012345678.123400"},
        {"-123456789012345678.1234", "-123456789012345678.123400"},
        {"0", "0.000000"},
        {"7", "7.000000"},
        {".5", "0.500000"},
        {"-.25", "-0.250000"},
        {"+3.", "3.000000"},
        {"0.0000005", "0.000001"},
        {"0.00000049999", "0.000000"},
        {"-0.0000004", "0.000000"},
        {"-0.0000005", "-0.000001"},
        {"9.9999995", "10.000000"},
        {"999999.9999999", "1000000.000000"},
        {"000012.300", "12.300000"},
        {"1.23456789", "1.234568"},
    };
    for (const auto& c : cases) EXPECT_EQ(SixPlaces(c.decimal), c.text) << c.decimal;
}

TEST(NumberText, NonPlainDecimalsGoThroughADouble) {
    EXPECT_EQ(SixPlaces("1e3"), "1000.000000");
    EXPECT_EQ(SixPlaces("-2.5E-1"), "-0.250000");
    EXPECT_EQ(SixPlaces("NaN"), "NaN");
    EXPECT_EQ(SixPlaces("-Infinity"), "-Infinity");
}
