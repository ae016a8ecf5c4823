#ifndef QUILLET_TEXT_NUMBERTEXT_H
#define QUILLET_TEXT_NUMBERTEXT_H

#include <cstddef>
#include <cstdint>

#include "text/Str.h"

// Room for the longest integer text: "-9223372036854775808", "18446744073709551615".
constexpr size_t MAX_INTEGER_TEXT = 20;
// Room for the longest six-decimal text of a double: a sign, the 309 digits
// of the largest double, the point and six decimals.
constexpr size_t MAX_DOUBLE_TEXT = 317;

// Decimal digits, "-" before negative values, nothing else.
CStr IntToText(int32_t value);
CStr Int64ToText(int64_t value);
// Write the text at out, which has room for MAX_INTEGER_TEXT bytes, and
// return its end; no terminator.
char* PutInteger(char* out, int64_t value);
char* PutUnsigned(char* out, uint64_t value);

// Fixed point with exactly six decimals, as "%lf" writes it; never an exponent.
CStr DoubleToText(double value);
// The same text at out, which has room for MAX_DOUBLE_TEXT bytes; returns
// its end, no terminator.
char* PutDouble(char* out, double value);

#endif
