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

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly n digits.
bool ReadDigits(const char*& p, size_t n, unsigned& value) {
    value = 0;
    for (size_t i = 0; i < n; ++i, ++p) {
        if (!IsDigit(*p)) return false;
        value = value * 10 + static_cast<unsigned>(*p - '0');
    }
    return true;
}

// A time as drivers write it: "[-]H+:MM[:SS][.fraction]"; hours may exceed 23.
struct STimeText {
    bool negative;
    const char* hours;
    size_t hourDigits;
    unsigned minute;
    unsigned second;
    uint32_t nanoseconds;
};

// Up to nine fraction digits after the point; more would be cut.
bool ReadFraction(const char*& p, uint32_t& nanoseconds) {
    nanoseconds = 0;
    if (*p != '.') return true;
    ++p;
    size_t digits = 0;
    for (; IsDigit(*p); ++p, ++digits) {
        if (digits == 9) return false;
        nanoseconds = nanoseconds * 10 + static_cast<uint32_t>(*p - '0');
    }
    for (size_t pad = digits; pad < 9; ++pad) nanoseconds *= 10;
    return digits > 0;
}

// Seconds are optional ("12:30" is half past twelve), as SQLite reads times.
bool ReadTimeOfDay(const char*& p, STimeText& time) {
    time.hours = p;
    while (IsDigit(*p)) ++p;
    time.hourDigits = static_cast<size_t>(p - time.hours);
    if (time.hourDigits == 0 || *p++ != ':' || !ReadDigits(p, 2, time.minute) || time.minute > 59) return false;
    time.second = 0;
    if (*p == ':' && (!ReadDigits(++p, 2, time.second) || time.second > 59)) return false;
    return ReadFraction(p, time.nanoseconds);
}

bool ParseTime(const char* text, STimeText& time) {
    const char* p = text;
    time.negative = *p == '-';
    if (time.negative) ++p;
    return ReadTimeOfDay(p, time) && *p == '\0';
}

// "YYYY-MM-DD", then optionally a time of day after a blank or a "T".
bool ParseTimestamp(const char* text, STimestampValue& stamp) {
    const char* p = text;
    unsigned year = 0;
    unsigned month = 0;
    unsigned day = 0;
    if (!ReadDigits(p, 4, year) || *p++ != '-' || !ReadDigits(p, 2, month) || *p++ != '-' ||
        !ReadDigits(p, 2, day) || month < 1 || month > 12 || day < 1 || day > 31) {
        return false;
    }
    stamp = STimestampValue{static_cast<int16_t>(year), static_cast<uint16_t>(month), static_cast<uint16_t>(day),
                            0, 0, 0, 0};
    if (*p == '\0') return true;
    if (*p != ' ' && *p != 'T') return false;
    STimeText time{};
    if (!ReadTimeOfDay(++p, time) || *p != '\0' || time.hourDigits != 2) return false;
    const unsigned hour = static_cast<unsigned>(time.hours[0] - '0') * 10 + static_cast<unsigned>(time.hours[1] - '0');
    if (hour > 23) return false;
    stamp.hour = static_cast<uint16_t>(hour);
    stamp.minute = static_cast<uint16_t>(time.minute);
    stamp.second = static_cast<uint16_t>(time.second);
    stamp.fraction = time.nanoseconds;
    return true;
}

// A number as SQLite writes one: "-12", "2.5", "1.0e+300"; nothing else.
bool IsPlainNumber(const char* text) {
    const char* p = text;
    if (*p == '-') ++p;
    const char* digits = p;
    while (IsDigit(*p)) ++p;
    bool any = p != digits;
    if (*p == '.') {
        const char* fraction = ++p;
        while (IsDigit(*p)) ++p;
        any = any || p != fraction;
    }
    if (any && (*p == 'e' || *p == 'E')) {
        ++p;
        if (*p == '-' || *p == '+') ++p;
        const char* exponent = p;
        while (IsDigit(*p)) ++p;
        any = p != exponent;
    }
    return any && *p == '\0';
}

// The SQLite driver gives a blob as its text X'00FF10'.
bool IsBlobText(const char* text, size_t length) {
    if (length < 3 || text[0] != 'X' || text[1] != '\'' || text[length - 1] != '\'' || length % 2 == 0) return false;
    for (size_t i = 2; i + 1 < length; ++i) {
        if (!IsDigit(text[i]) && !(text[i] >= 'A' && text[i] <= 'F')) return false;
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

const char* CValueText::Format(CField& field, size_t& length) {
    length = 0;
    const bool isNull = field.IsNull();
    if (field.ReadFailed()) return nullptr;
    if (isNull) return "";
    if (field.IsStoredText()) return FormatStored(field.GetValueType(), field.GetText(length), length);
    switch (field.GetValueType()) {
        case VALUE_NUMERIC:
            return FormatNumeric(field.GetText(length), length);
        case VALUE_BINARY: {
            const unsigned char* bytes = field.GetBinary(length);
            return FormatBinary(bytes, length);
        }
        case VALUE_INTEGER:
        case VALUE_SMALLINT:
        case VALUE_TINYINT:
        case VALUE_BIGINT:
        case VALUE_BIT:
            return FormatInteger(field, length);
        case VALUE_DOUBLE:
        case VALUE_REAL:
            return Finish(PutDouble(small, field.GetDouble()), length);
        case VALUE_DATE: {
            const SDateValue date = field.GetDate();
            return Finish(PutDate(small, date.year, date.month, date.day), length);
        }
        case VALUE_TIME:
            return FormatTime(field.GetText(length), length);
        case VALUE_TIMESTAMP:
            return FormatTimestamp(field.GetTimestamp(), length);
        default:
            return field.GetText(length);
    }
}

// A value that is a clean value of its column's kind gets that kind's text;
// anything else is written as it is stored: a blob as hex digits, the rest
// as its text.
const char* CValueText::FormatStored(int valueType, const char* value, size_t& length) {
    if (IsBlobText(value, length)) return FormatBlobText(value, length);
    switch (valueType) {
        case VALUE_DOUBLE:
        case VALUE_REAL:
            if (!IsPlainNumber(value)) return value;
            return Finish(PutDouble(small, std::strtod(value, nullptr)), length);
        case VALUE_TIME:
            return FormatTime(value, length);
        case VALUE_TIMESTAMP: {
            STimestampValue stamp{};
            return ParseTimestamp(value, stamp) ? FormatTimestamp(stamp, length) : value;
        }
        default:
            return value;
    }
}

const char* CValueText::FormatInteger(CField& field, size_t& length) {
    if (field.IsUnsigned()) return Finish(PutUnsigned(small, field.GetUnsigned()), length);
    return Finish(PutInteger(small, field.GetInteger()), length);
}

const char* CValueText::FormatNumeric(const char* value, size_t& length) {
    scratch.SetText("");
    if (*value != '\0') AppendDecimalSixPlaces(value, scratch);
    length = scratch.Length();
    return scratch.Text();
}

const char* CValueText::FormatBinary(const unsigned char* bytes, size_t& length) {
    scratch.SetText("");
    scratch.EnsureCapacity(2 * length + 1);
    for (size_t i = 0; i < length; ++i) {
        const char pair[] = {HEX_DIGITS[bytes[i] >> 4], HEX_DIGITS[bytes[i] & 15]};
        scratch.AppendText(pair, 2);
    }
    length = scratch.Length();
    return scratch.Text();
}

// "X'00FF10'" gives "00ff10".
const char* CValueText::FormatBlobText(const char* value, size_t& length) {
    scratch.SetText("");
    scratch.EnsureCapacity(length);
    for (size_t i = 2; i + 1 < length; ++i) {
        const char digit = value[i];
        scratch.AppendChar(digit >= 'A' && digit <= 'F' ? static_cast<char>(digit - 'A' + 'a') : digit);
    }
    length = scratch.Length();
    return scratch.Text();
}

// HH:MM:SS with any fraction dropped; a time outside the day keeps its sign
// and all its hours (-838:59:59). Any other text is the value as it is.
const char* CValueText::FormatTime(const char* value, size_t& length) {
    STimeText time{};
    if (!ParseTime(value, time) || time.hourDigits + 10 > sizeof small) return value;
    char* end = small;
    if (time.negative) *end++ = '-';
    if (time.hourDigits == 1) *end++ = '0';
    std::memcpy(end, time.hours, time.hourDigits);
    end += time.hourDigits;
    *end++ = ':';
    end = PutTwoDigits(end, time.minute);
    *end++ = ':';
    return Finish(PutTwoDigits(end, time.second), length);
}

const char* CValueText::FormatTimestamp(const STimestampValue& stamp, size_t& length) {
    char* end = PutDate(small, stamp.year, stamp.month, stamp.day);
    *end++ = ' ';
    end = PutTime(end, stamp.hour, stamp.minute, stamp.second);
    *end++ = '.';
    return Finish(PutFraction(end, stamp.fraction), length);
}

const char* CValueText::Finish(char* end, size_t& length) {
    *end = '\0';
    length = static_cast<size_t>(end - small);
    return small;
}
