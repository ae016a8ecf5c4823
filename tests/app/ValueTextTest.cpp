#include "app/ValueText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string SixPlaces(const char* decimal) {
    CTextBuffer out;
    AppendDecimalSixPlaces(decimal, out);
    return out.Text();
}

std::string Fraction(uint32_t nanoseconds) {
    char digits[16];
    return std::string(digits, PutFraction(digits, nanoseconds));
}

}  // namespace

TEST(ValueText, DecimalsGetSixPlacesRoundedOnTheDigits) {
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

TEST(ValueText, NonPlainDecimalsGoThroughADouble) {
    EXPECT_EQ(SixPlaces("1e3"), "1000.000000");
    EXPECT_EQ(SixPlaces("-2.5E-1"), "-0.250000");
    EXPECT_EQ(SixPlaces("NaN"), "nan");
}

TEST(ValueText, FractionKeepsAtLeastThreeDigits) {
    const struct { uint32_t nanoseconds; const char* text; } cases[] = {
        {0, "000"},          {50000000, "050"},        {123000000, "123"},
        {123456000, "123456"}, {1, "000000001"},      {999999999, "999999999"},
        {100, "0000001"},     {500000, "0005"},        {4000000000u, "4000000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(Fraction(c.nanoseconds), c.text) << c.nanoseconds;
}
