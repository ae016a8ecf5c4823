#include "app/ValueText.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "db/Field.h"
#include "db/ValueType.h"
#include "text/NumberText.h"

namespace {

const char HEX_DIGITS[] = "0123456789abcdef";

char* PutTwoDigits(char* out, unsigned value) {
    out[0] = static_cast<char>('0' + (value / 10) % 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
}

// At least four digits, "-" before negative years.
char* PutYear(char* out, int year) {
    if (year >= 0 && year <= 9999) {
        out = PutTwoDigits(out, static_cast<unsigned>(year) / 100);
        return PutTwoDigits(out, static_cast<unsigned>(year) % 100);
    }
    char digits[16];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, year < 0 ? -year : year);
    (void)ec;
    if (year < 0) *out++ = '-';
    for (ptrdiff_t pad = 4 - (end - digits); pad > 0; --pad) *out++ = '0';
    std::memcpy(out, digits, static_cast<size_t>(end - digits));
    return out + (end - digits);
}

char* PutDate(char* out, int year, unsigned month, unsigned day) {
    out = PutYear(out, year);
    *out++ = '-';
    out = PutTwoDigits(out, month);
    *out++ = '-';
    return PutTwoDigits(out, day);
}

char* PutTime(char* out, unsigned hour, unsigned minute, unsigned second) {
    out = PutTwoDigits(out, hour);
    *out++ = ':';
    out = PutTwoDigits(out, minute);
    *out++ = ':';
    return PutTwoDigits(out, second);
}

// Bound buffers carry no alignment promise for the value they hold.
template <typename T>
T Read(const char* buffer) {
    T value;
    std::memcpy(&value, buffer, sizeof value);
    return value;
}

char* PutDouble(char* out, char* end, double value) {
    const auto result = std::to_chars(out, end, value, std::chars_format::fixed, 6);
    return result.ec == std::errc() ? result.ptr : out;
}

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
    while (*p >= '0' && *p <= '9') ++p;
    parts.integerLength = static_cast<size_t>(p - parts.integer);
    parts.fraction = p;
    parts.fractionLength = 0;
    if (*p == '.') {
        parts.fraction = ++p;
        while (*p >= '0' && *p <= '9') ++p;
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

char* PutFraction(char* out, uint32_t nanoseconds) {
    if (nanoseconds >= 1000000000u) {  // not a valid fraction: all of its digits
        return std::to_chars(out, out + 16, nanoseconds).ptr;
    }
    char* end = out + 9;
    for (char* digit = end; digit > out; nanoseconds /= 10) *--digit = static_cast<char>('0' + nanoseconds % 10);
    while (end > out + 3 && end[-1] == '0') --end;
    return end;
}

CValueText::CValueText() : small(), scratch("", CTextBuffer::DEFAULT_GROW_STEP) {}

const char* CValueText::Format(CField& field) {
    const char* value = field.GetValue();
    if (field.ReadFailed()) return nullptr;
    if (field.IsNull()) return "";
    switch (field.GetValueType()) {
        case VALUE_NUMERIC:
            return FormatNumeric(value);
        case VALUE_BINARY:
            return FormatBinary(value, field.GetLength());
        case VALUE_INTEGER:
        case VALUE_SMALLINT:
        case VALUE_TINYINT:
        case VALUE_BIGINT:
        case VALUE_BIT:
        case VALUE_DOUBLE:
        case VALUE_REAL:
        case VALUE_DATE:
        case VALUE_TIME:
            return FormatFixed(field.GetValueType(), value);
        case VALUE_TIMESTAMP:
            return FormatTimestamp(value);
        default:
            return value;
    }
}

const char* CValueText::FormatNumeric(const char* value) {
    scratch.SetText("");
    if (*value != '\0') AppendDecimalSixPlaces(value, scratch);
    return scratch.Text();
}

const char* CValueText::FormatBinary(const char* value, size_t length) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(value);
    scratch.SetText("");
    scratch.EnsureCapacity(2 * length + 1);
    for (size_t i = 0; i < length; ++i) {
        const char pair[] = {HEX_DIGITS[bytes[i] >> 4], HEX_DIGITS[bytes[i] & 15]};
        scratch.AppendText(pair, 2);
    }
    return scratch.Text();
}

const char* CValueText::FormatFixed(int valueType, const char* value) {
    char* const begin = small;
    char* const limit = small + sizeof small - 1;
    char* end = begin;
    switch (valueType) {
        case VALUE_BIGINT:
            end = std::to_chars(begin, limit, Read<int64_t>(value)).ptr;
            break;
        case VALUE_BIT:
            end = std::to_chars(begin, limit, static_cast<unsigned>(Read<unsigned char>(value))).ptr;
            break;
        case VALUE_DOUBLE:
            end = PutDouble(begin, limit, Read<double>(value));
            break;
        case VALUE_REAL:
            end = PutDouble(begin, limit, static_cast<double>(Read<float>(value)));
            break;
        case VALUE_DATE: {
            const SDateValue date = Read<SDateValue>(value);
            end = PutDate(begin, date.year, date.month, date.day);
            break;
        }
        case VALUE_TIME: {
            const STimeValue time = Read<STimeValue>(value);
            end = PutTime(begin, time.hour, time.minute, time.second);
            break;
        }
        default:  // the 32-bit integers: INTEGER, SMALLINT, TINYINT
            end = std::to_chars(begin, limit, Read<int32_t>(value)).ptr;
            break;
    }
    *end = '\0';
    return small;
}

const char* CValueText::FormatTimestamp(const char* value) {
    const STimestampValue stamp = Read<STimestampValue>(value);
    char* end = PutDate(small, stamp.year, stamp.month, stamp.day);
    *end++ = ' ';
    end = PutTime(end, stamp.hour, stamp.minute, stamp.second);
    *end++ = '.';
    end = PutFraction(end, stamp.fraction);
    *end = '\0';
    return small;
}
