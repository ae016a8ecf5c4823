#include "text/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

char* PutText(char* out, const char* text) {
    const size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

// Below this magnitude a value times a million is far inside the integers a
// double holds exactly, so its six-decimal rounding can be found with one
// fused multiply-add.
constexpr double EXACTLY_SCALED_LIMIT = 1e9;
constexpr uint64_t MILLION = 1000000;

// Six decimals of an integer count of millionths: "12.000345".
char* PutMillionths(char* out, uint64_t millionths) {
    out = std::to_chars(out, out + MAX_INTEGER_TEXT, millionths / MILLION).ptr;
    *out++ = '.';
    return PutSixDigits(out, static_cast<uint32_t>(millionths % MILLION));
}

// The value rounded to millionths, the exact product's ties to even as
// printf's rounding gives them. False when the value is too large, or lies
// so near a tie that only the exact conversion may decide.
bool RoundToMillionths(double value, uint64_t& millionths) {
    const double magnitude = std::fabs(value);
    if (!(magnitude < EXACTLY_SCALED_LIMIT)) return false;
    const double scaled = magnitude * 1e6;
    // scaled + error is the product exactly.
    const double error = std::fma(magnitude, 1e6, -scaled);
    // Truncation is the floor of a value that is not negative, and far
    // quicker than std::floor where the CPU lacks an instruction for it.
    const int64_t whole = static_cast<int64_t>(scaled);
    const double rest = (scaled - static_cast<double>(whole)) + error;
    // rest lies in [-1/16, 17/16): the product rounds up exactly when it is above one half.
    if (std::fabs(rest - 0.5) < 1e-6) return false;
    millionths = static_cast<uint64_t>(whole) + (rest > 0.5 ? 1 : 0);
    return true;
}

}  // namespace

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

// to_chars is exact, as glibc's printf is, so both give the same digits;
// it needs neither a format to parse nor a pass to size the text.
char* PutDouble(char* out, double value) {
    if (std::isnan(value)) return PutText(out, "NaN");
    if (std::isinf(value)) return PutText(out, value < 0 ? "-Infinity" : "Infinity");
    uint64_t millionths = 0;
    if (RoundToMillionths(value, millionths)) {
        if (std::signbit(value)) *out++ = '-';
        return PutMillionths(out, millionths);
    }
    return std::to_chars(out, out + MAX_DOUBLE_TEXT, value, std::chars_format::fixed, 6).ptr;
}

// A double holds such a value within 1e9 * 2^-53 < 5e-7 of its decimal text,
// so the six-decimal rounding of the double gives that text again.
char* PutShortDecimal(char* out, const char* text, size_t length) {
    const char* p = text;
    const char* end = text + length;
    const bool negative = p < end && *p == '-';
    if (negative) ++p;
    const char* integer = p;
    while (p < end && IsDecimalDigit(*p)) ++p;
    const size_t integerDigits = static_cast<size_t>(p - integer);
    if (integerDigits == 0 || integerDigits > 9 || (integerDigits > 1 && *integer == '0')) return nullptr;
    size_t decimals = 0;
    if (p < end && *p == '.') {
        const char* fraction = ++p;
        while (p < end && IsDecimalDigit(*p)) ++p;
        decimals = static_cast<size_t>(p - fraction);
        if (decimals == 0) return nullptr;
    }
    if (p != end || decimals > 6) return nullptr;
    std::memcpy(out, text, length);
    out += length;
    if (decimals == 0) *out++ = '.';
    std::memset(out, '0', 6 - decimals);
    return out + (6 - decimals);
}

namespace {

const char HEX_DIGITS[] = "0123456789abcdef";

struct SDecimalParts {
    bool negative;
    const char* integer;
    size_t integerLength;
    const char* fraction;
    size_t fractionLength;
};

bool SplitPlainDecimal(const char* text, SDecimalParts& parts) {
    const char* p = text;
    parts.negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    parts.integer = p;
    while (IsDecimalDigit(*p)) ++p;
    parts.integerLength = static_cast<size_t>(p - parts.integer);
    parts.fraction = p;
    parts.fractionLength = 0;
    if (*p == '.') {
        parts.fraction = ++p;
        while (IsDecimalDigit(*p)) ++p;
        parts.fractionLength = static_cast<size_t>(p - parts.fraction);
    }
    return *p == '\0' && parts.integerLength + parts.fractionLength > 0;
}

// Adds one unit in the last place of a digit string; true when it carried out of the first.
bool IncrementDigits(std::string& digits) {
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

bool IsUpperHexDigit(char c) { return IsDecimalDigit(c) || (c >= 'A' && c <= 'F'); }

}  // namespace

void AppendDecimalSixPlaces(const char* decimal, CTextBuffer& out) {
    SDecimalParts parts{};
    if (!SplitPlainDecimal(decimal, parts)) {
        out.AppendText(DoubleToText(std::strtod(decimal, nullptr)).Text());
        return;
    }
    std::string digits(parts.integer, parts.integerLength);
    for (size_t i = 0; i < 6; ++i) digits += i < parts.fractionLength ? parts.fraction[i] : '0';
    if (parts.fractionLength > 6 && parts.fraction[6] >= '5' && IncrementDigits(digits)) {
        digits.insert(digits.begin(), '1');
    }
    size_t start = 0;
    while (start + 7 < digits.size() && digits[start] == '0') ++start;
    const bool zero = digits.find_first_not_of('0', start) == std::string::npos;
    if (parts.negative && !zero) out.AppendChar('-');
    const size_t integerDigits = digits.size() - start - 6;
    if (integerDigits == 0) out.AppendChar('0');
    out.AppendText(digits.c_str() + start, integerDigits);
    out.AppendChar('.');
    out.AppendText(digits.c_str() + digits.size() - 6, 6);
}

bool IsPlainNumber(const char* text) {
    const char* p = text;
    if (*p == '-') ++p;
    if (std::strcmp(p, "Inf") == 0) return true;
    const char* digits = p;
    while (IsDecimalDigit(*p)) ++p;
    bool any = p != digits;
    if (*p == '.') {
        const char* fraction = ++p;
        while (IsDecimalDigit(*p)) ++p;
        any = any || p != fraction;
    }
    if (any && (*p == 'e' || *p == 'E')) {
        ++p;
        if (*p == '-' || *p == '+') ++p;
        const char* exponent = p;
        while (IsDecimalDigit(*p)) ++p;
        any = p != exponent;
    }
    return any && *p == '\0';
}

void AppendHex(const unsigned char* bytes, size_t n, CTextBuffer& out) {
    out.EnsureCapacity(out.Length() + 2 * n + 1);
    for (size_t i = 0; i < n; ++i) {
        const char pair[] = {HEX_DIGITS[bytes[i] >> 4], HEX_DIGITS[bytes[i] & 15]};
        out.AppendText(pair, 2);
    }
}

bool AppendBlobLiteralHex(const char* text, size_t length, CTextBuffer& out) {
    if (length < 3 || text[0] != 'X' || text[1] != '\'' || text[length - 1] != '\'' || length % 2 == 0) return false;
    for (size_t i = 2; i + 1 < length; ++i) {
        if (!IsUpperHexDigit(text[i])) return false;
    }
    out.EnsureCapacity(out.Length() + length);
    for (size_t i = 2; i + 1 < length; ++i) {
        const char digit = text[i];
        out.AppendChar(digit >= 'A' && digit <= 'F' ? static_cast<char>(digit - 'A' + 'a') : digit);
    }
    return true;
}
