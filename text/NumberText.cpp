#include "text/NumberText.h"

#include <charconv>

CStr IntToText(int32_t value) {
    CStr result;
    CStr::FromInt(result, value);
    return result;
}

CStr Int64ToText(int64_t value) {
    char digits[MAX_INTEGER_TEXT];
    CStr result;
    result.AssignPrefix(digits, static_cast<size_t>(PutInteger(digits, value) - digits));
    return result;
}

char* PutInteger(char* out, int64_t value) { return std::to_chars(out, out + MAX_INTEGER_TEXT, value).ptr; }

char* PutUnsigned(char* out, uint64_t value) { return std::to_chars(out, out + MAX_INTEGER_TEXT, value).ptr; }

CStr DoubleToText(double value) {
    char digits[MAX_DOUBLE_TEXT];
    CStr result;
    result.AssignPrefix(digits, static_cast<size_t>(PutDouble(digits, value) - digits));
    return result;
}

// to_chars is exact, as glibc's printf is, so both give the same digits; it
// is several times faster and needs no format string.
char* PutDouble(char* out, double value) {
    return std::to_chars(out, out + MAX_DOUBLE_TEXT, value, std::chars_format::fixed, 6).ptr;
}
