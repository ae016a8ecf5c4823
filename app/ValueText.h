#ifndef QUILLET_APP_VALUETEXT_H
#define QUILLET_APP_VALUETEXT_H

#include <cstddef>
#include <cstdint>

#include "text/TextBuffer.h"

class CField;

// Turns the current value of a result column into its CSV text:
// integers in decimal, doubles and reals with six decimals, NUMERIC with six
// decimals rounded exactly from its decimal text, DATE as YYYY-MM-DD, TIME as
// HH:MM:SS, TIMESTAMP as YYYY-MM-DD HH:MM:SS.fff (fraction digits beyond the
// third only when they are not zero), binary as lowercase hex digits, bits as
// 0 or 1, NULL as the empty text and everything else as the driver's text.
class CValueText {
public:
    CValueText();
    CValueText(const CValueText&) = delete;
    CValueText& operator=(const CValueText&) = delete;

    // The text stays valid until the next call or the next fetch.
    // Null when the value could not be read from the driver.
    const char* Format(CField& field);

private:
    const char* FormatNumeric(const char* value);
    const char* FormatBinary(const char* value, size_t length);
    const char* FormatFixed(int valueType, const char* value);
    const char* FormatTimestamp(const char* value);

    char small[512];
    CTextBuffer scratch;
};

// Appends a decimal number text ("-12.5", "123456789012345678.1234") with
// exactly six decimals, rounding half away from zero on the decimal digits
// themselves. Texts that are not plain decimals (exponents, NaN) go through
// a double.
void AppendDecimalSixPlaces(const char* decimal, CTextBuffer& out);

// Writes the nanosecond fraction as nine digits with trailing zeros
// removed, but never fewer than three digits: 0 -> "000", 50000000 -> "050".
// Returns the end of the digits; at most 10 are written.
char* PutFraction(char* out, uint32_t nanoseconds);

#endif
