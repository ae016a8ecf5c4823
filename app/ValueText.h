#ifndef QUILLET_APP_VALUETEXT_H
#define QUILLET_APP_VALUETEXT_H

#include <cstddef>

#include "text/NumberText.h"
#include "text/TextBuffer.h"

class CField;

// Turns the current value of a result column into its CSV text:
// integers in decimal, doubles and reals with six decimals (NaN, Infinity,
// -Infinity when not finite), NUMERIC with six
// decimals rounded exactly from its decimal text, DATE as YYYY-MM-DD, TIME as
// HH:MM:SS (hours beyond 23 and a sign when the time is outside the day),
// TIMESTAMP as YYYY-MM-DD HH:MM:SS.fff (fraction digits beyond the third only
// when they are not zero), binary as lowercase hex digits, bits as 0 or 1,
// NULL as the empty text and everything else as the driver's text. A value
// held as stored text gets its kind's text only when it is a clean value of
// that kind, and is otherwise written as stored.
class CValueText {
public:
    CValueText();
    CValueText(const CValueText&) = delete;
    CValueText& operator=(const CValueText&) = delete;

    // The text and its length (it may hold NUL bytes); valid until the next
    // call or the next fetch. Null when the value could not be read from the
    // driver.
    const char* Format(CField& field, size_t& length);

private:
    // Each takes the value's length in length and leaves the text's there.
    const char* FormatStoredText(int valueType, const char* value, size_t& length);
    const char* FormatInteger(CField& field, size_t& length);
    const char* FormatNumeric(const char* value, size_t& length);
    const char* FormatBinary(const unsigned char* bytes, size_t& length);
    const char* FormatTime(const char* value, size_t& length);
    // Ends the text in small_ at end.
    const char* Finish(char* end, size_t& length);
    const char* FinishScratch(size_t& length);

    char small_[512];
    static_assert(sizeof small_ > MAX_DOUBLE_TEXT, "every number text fits in small_");
    CTextBuffer scratch_;
};

#endif
