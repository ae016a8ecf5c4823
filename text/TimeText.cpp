#include "text/TimeText.h"

#include <charconv>
#include <cstring>

#include "text/NumberText.h"

namespace {

// A year before 0 or after 9999: "-" before negative years, at least four
// digits. Kept out of line, so that the usual years' path saves no registers.
[[gnu::noinline]] char* PutUnusualYear(char* out, int year) {
    char digits[16];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, year < 0 ? -year : year);
    (void)ec;
    if (year < 0) *out++ = '-';
    for (ptrdiff_t pad = 4 - (end - digits); pad > 0; --pad) *out++ = '0';
    std::memcpy(out, digits, static_cast<size_t>(end - digits));
    return out + (end - digits);
}

char* PutYear(char* out, int year) {
    if (year < 0 || year > 9999) return PutUnusualYear(out, year);
    out = PutTwoDigits(out, static_cast<unsigned>(year) / 100);
    return PutTwoDigits(out, static_cast<unsigned>(year) % 100);
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

// Two-digit hours up to 23, minutes, then optionally seconds and a fraction.
bool ReadSQLiteTimeOfDay(const char*& p, SDateTimeParts& parts) {
    if (!ReadDigits(p, 2, parts.hour) || parts.hour > 23 || *p++ != ':' || !ReadDigits(p, 2, parts.minute) ||
        parts.minute > 59) {
        return false;
    }
    if (*p != ':') return true;
    return ReadDigits(++p, 2, parts.second) && parts.second <= 59 && ReadFraction(p, parts.nanoseconds);
}

constexpr int64_t MS_PER_DAY = 86400000;

// SQLite's date functions count milliseconds from its Julian day 0 with this
// arithmetic (Meeus's, whose letters the inverse keeps): day 31 of a 30-day
// month becomes the 1st of the next, and before the year 301 its calendar
// departs from the Gregorian one (0300-02-29 exists, -0099-01-01 is the 2nd).
int64_t SQLiteDayStart(int year, int month, int day) {
    if (month <= 2) {
        --year;
        month += 12;
    }
    const int century = year / 100;
    const int gregorianShift = 2 - century + century / 4;
    const int yearDays = 36525 * (year + 4716) / 100;
    const int monthDays = 306001 * (month + 1) / 10000;
    return static_cast<int64_t>((yearDays + monthDays + day + gregorianShift - 1524.5) * MS_PER_DAY);
}

// The inverse of SQLiteDayStart, as SQLite computes it.
void SQLiteDateOf(int64_t ms, int& year, int& month, int& day) {
    const int julianDay = static_cast<int>((ms + MS_PER_DAY / 2) / MS_PER_DAY);
    int a = static_cast<int>((julianDay - 1867216.25) / 36524.25);
    a = julianDay + 1 + a - a / 4;
    const int b = a + 1524;
    const int c = static_cast<int>((b - 122.1) / 365.25);
    const int d = (36525 * (c & 32767)) / 100;
    const int e = static_cast<int>((b - d) / 30.6001);
    day = b - d - static_cast<int>(30.6001 * e);
    month = e < 14 ? e - 1 : e - 13;
    year = month > 2 ? c - 4716 : c - 4715;
}

// Whether SQLite reads the date and time unchanged: the date comes back from
// its day count, and the moment is not before its Julian day 0, noon of
// -4713-11-24, where its functions give NULL.
bool SurvivesSQLiteReading(const SDateTimeParts& parts) {
    if (parts.year < -4713 || parts.month < 1 || parts.month > 12 || parts.day < 1 || parts.day > 31) return false;
    const int64_t dayStart =
        SQLiteDayStart(parts.year, static_cast<int>(parts.month), static_cast<int>(parts.day));
    if (dayStart + parts.hour * 3600000 + parts.minute * 60000 + parts.second * 1000 < 0) return false;
    int year = 0;
    int month = 0;
    int day = 0;
    SQLiteDateOf(dayStart, year, month, day);
    return year == parts.year && month == static_cast<int>(parts.month) && day == static_cast<int>(parts.day);
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

char* PutTime(char* out, unsigned hour, unsigned minute, unsigned second) {
    out = PutTwoDigits(out, hour);
    *out++ = ':';
    out = PutTwoDigits(out, minute);
    *out++ = ':';
    return PutTwoDigits(out, second);
}

char* PutFraction(char* out, uint32_t nanoseconds) {
    if (nanoseconds >= 1000000000u) {  // not a valid fraction: all of its digits
        return std::to_chars(out, out + 16, nanoseconds).ptr;
    }
    // Milliseconds always; the rest only when it is not zero, without trailing zeros.
    const unsigned milliseconds = nanoseconds / 1000000u;
    *out++ = static_cast<char>('0' + milliseconds / 100);
    out = PutTwoDigits(out, milliseconds);
    const uint32_t rest = nanoseconds % 1000000u;
    if (rest == 0) return out;
    char* end = PutSixDigits(out, rest);
    while (end[-1] == '0') --end;
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

bool ParseSQLiteTime(const char* text, SDateTimeParts& parts) {
    parts = SDateTimeParts{2000, 1, 1, 0, 0, 0, 0};
    const char* p = text;
    return ReadSQLiteTimeOfDay(p, parts) && *p == '\0';
}

bool ParseSQLiteDateTime(const char* text, SDateTimeParts& parts) {
    parts = SDateTimeParts{};
    const char* p = text;
    const bool negative = *p == '-';
    if (negative) ++p;
    unsigned year = 0;
    if (!ReadDigits(p, 4, year) || (negative && year == 0) || *p++ != '-' || !ReadDigits(p, 2, parts.month) ||
        *p++ != '-' || !ReadDigits(p, 2, parts.day)) {
        return false;
    }
    parts.year = negative ? -static_cast<int>(year) : static_cast<int>(year);
    if ((*p == ' ' || *p == 'T') && !ReadSQLiteTimeOfDay(++p, parts)) return false;
    return *p == '\0' && SurvivesSQLiteReading(parts);
}
