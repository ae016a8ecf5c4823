#ifndef QUILLET_TEXT_NUMBERTEXT_H
#define QUILLET_TEXT_NUMBERTEXT_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "text/Str.h"
#include "text/TextBuffer.h"

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

// Fixed point with exactly six decimals, as "%lf" writes it; never an
// exponent. Not-a-number and the infinities are "NaN", "Infinity" and
// "-Infinity", as PostgreSQL's COPY and most CSV readers read them back.
CStr DoubleToText(double value);
// The same text at out, which has room for MAX_DOUBLE_TEXT bytes; returns
// its end, no terminator.
char* PutDouble(char* out, double value);

// The six-decimal text of a double read from a short decimal text such as
// SQLite writes ("-12", "2.5", "1370.25"): at most nine integer digits
// without a needless leading zero, at most six decimals. Such a value is
// printed back as its own digits, zeros appended, so no conversion is made.
// Null when the text is not that short.
// REQUIRES: out has room for MAX_DOUBLE_TEXT bytes.
char* PutShortDecimal(char* out, const char* text, size_t length);

// '0' to '9' and nothing else, whatever the locale.
inline bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// The last two decimal digits of value at out; returns their end. Dates,
// times and decimals are written two digits at a time.
inline char* PutTwoDigits(char* out, unsigned value) {
    static constexpr char PAIRS[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    std::memcpy(out, PAIRS + 2 * (value % 100), 2);
    return out + 2;
}

// The last six decimal digits of value at out; returns their end.
inline char* PutSixDigits(char* out, uint32_t value) {
    out = PutTwoDigits(out, value / 10000);
    out = PutTwoDigits(out, value / 100);
    return PutTwoDigits(out, value);
}

// Appends a decimal number text ("-12.5", "123456789012345678.1234") with
// exactly six decimals, rounding half away from zero on the decimal digits
// themselves. Texts that are not plain decimals (exponents, NaN) go through
// a double.
void AppendDecimalSixPlaces(const char* decimal, CTextBuffer& out);

// A number as SQLite writes one: "-12", "2.5", "1.0e+300", "Inf", "-Inf";
// nothing else.
bool IsPlainNumber(const char* text);

// Appends two lower-case hex digits for each byte.
void AppendHex(const unsigned char* bytes, size_t n, CTextBuffer& out);
// Appends the hex digits of a blob literal, "X'00FF10'", in lower case
// ("00ff10"); false, nothing appended, when the text is no such literal.
bool AppendBlobLiteralHex(const char* text, size_t length, CTextBuffer& out);

#endif
