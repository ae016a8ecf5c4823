#include "text/TimeText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string Fraction(uint32_t nanoseconds) {
    char digits[16];
    return std::string(digits, PutFraction(digits, nanoseconds));
}

}  // namespace

TEST(TimeText, FractionKeepsAtLeastThreeDigits) {
    const struct { uint32_t nanoseconds; const char* text; } cases[] = {
        {0, "000"},          {50000000, "050"},        {123000000, "123"},
        {123456000, "123456"}, {1, "000000001"},      {999999999, "999999999"},
        {100, "0000001"},     {500000, "0005"},        {4000000000u, "4000000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(Fraction(c.nanoseconds), c.text) << c.nanoseconds;
}
