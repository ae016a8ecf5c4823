#include "text/TimeText.h"

#include <charconv>
#include <cstring>

#include "text/NumberText.h"

namespace {

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

char* PutTime(char* out, unsigned hour, unsigned minute, unsigned second) {
    out = PutTwoDigits(out, hour);
    *out++ = ':';
    out = PutTwoDigits(out, minute);
    *out++ = ':';
    return PutTwoDigits(out, second);
}

// Reads exactly n digits.
bool ReadDigits(const char*& p, size_t n, unsigned& value) {
    value = 0;
    for (size_t i = 0; i < n; ++i, ++p) {
        if (!IsDecimalDigit(*p)) return false;
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
    for (; IsDecimalDigit(*p); ++p, ++digits) {
        if (digits == 9) return false;
        nanoseconds = nanoseconds * 10 + static_cast<uint32_t>(*p - '0');
    }
    for (size_t pad = digits; pad < 9; ++pad) nanoseconds *= 10;
    return digits > 0;
}

bool ReadTimeOfDay(const char*& p, STimeText& time) {
    time.hours = p;
    while (IsDecimalDigit(*p)) ++p;
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

}  // namespace

char* PutDate(char* out, int year, unsigned month, unsigned day) {
    out = PutYear(out, year);
    *out++ = '-';
    out = PutTwoDigits(out, month);
    *out++ = '-';
    return PutTwoDigits(out, day);
}

char* PutDateTime(char* out, const SDateTimeParts& parts) {
    out = PutDate(out, parts.year, parts.month, parts.day);
    *out++ = ' ';
    out = PutTime(out, parts.hour, parts.minute, parts.second);
    *out++ = '.';
    return PutFraction(out, parts.nanoseconds);
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

char* PutTimeOfText(char* out, size_t room, const char* text) {
    STimeText time{};
    if (!ParseTime(text, time) || time.hourDigits + 10 > room) return nullptr;
    if (time.negative) *out++ = '-';
    if (time.hourDigits == 1) *out++ = '0';
    std::memcpy(out, time.hours, time.hourDigits);
    out += time.hourDigits;
    *out++ = ':';
    out = PutTwoDigits(out, time.minute);
    *out++ = ':';
    return PutTwoDigits(out, time.second);
}

bool ParseDateTime(const char* text, SDateTimeParts& parts) {
    const char* p = text;
    unsigned year = 0;
    unsigned month = 0;
    unsigned day = 0;
    if (!ReadDigits(p, 4, year) || *p++ != '-' || !ReadDigits(p, 2, month) || *p++ != '-' ||
        !ReadDigits(p, 2, day) || month < 1 || month > 12 || day < 1 || day > 31) {
        return false;
    }
    parts = SDateTimeParts{static_cast<int>(year), month, day, 0, 0, 0, 0};
    if (*p == '\0') return true;
    if (*p != ' ' && *p != 'T') return false;
    STimeText time{};
    if (!ReadTimeOfDay(++p, time) || *p != '\0' || time.hourDigits != 2) return false;
    const unsigned hour = static_cast<unsigned>(time.hours[0] - '0') * 10 + static_cast<unsigned>(time.hours[1] - '0');
    if (hour > 23) return false;
    parts.hour = hour;
    parts.minute = time.minute;
    parts.second = time.second;
    parts.nanoseconds = time.nanoseconds;
    return true;
}
