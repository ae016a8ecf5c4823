#ifndef QUILLET_TEXT_TIMETEXT_H
#define QUILLET_TEXT_TIMETEXT_H

#include <cstddef>
#include <cstdint>

// A date and time of day by its parts.
struct SDateTimeParts {
    int year;
    unsigned month;
    unsigned day;
    unsigned hour;
    unsigned minute;
    unsigned second;
    uint32_t nanoseconds;
};

// Each Put function writes its text at out and returns its end; no terminator.

// "YYYY-MM-DD": at least four year digits, "-" before a negative year.
char* PutDate(char* out, int year, unsigned month, unsigned day);
// "YYYY-MM-DD HH:MM:SS." and the fraction as PutFraction writes it; at most 32 bytes.
char* PutDateTime(char* out, const SDateTimeParts& parts);
// "HH:MM:SS" with two digits each.
char* PutTime(char* out, unsigned hour, unsigned minute, unsigned second);
// Writes the nanosecond fraction as nine digits with trailing zeros
// removed, but never fewer than three digits: 0 -> "000", 50000000 -> "050".
// At most 10 are written.
char* PutFraction(char* out, uint32_t nanoseconds);

// A time as drivers write it, "[-]H+:MM[:SS][.fraction]" with hours that may
// exceed 23, as "[-]HH:MM:SS" with all its hours and any fraction dropped.
// Null, nothing written, when the text is no such time or needs more than
// room bytes. Seconds are optional ("12:30" is half past twelve).
char* PutTimeOfText(char* out, size_t room, const char* text);

// A time of day as SQLite writes one, "HH:MM[:SS[.fraction]]", with hours up
// to 23 (SQLite reads 24:00 as midnight of the next day) and up to nine
// fraction digits; false for anything else.
bool ParseSQLiteTime(const char* text, SDateTimeParts& parts);
// "[-]YYYY-MM-DD", then optionally such a time after one blank or a "T",
// whose date and time SQLite's date functions read unchanged (2024-02-30 is
// March 1st to them); false for anything else, a time zone included. The
// fraction keeps its digits, which SQLite rounds to milliseconds.
bool ParseSQLiteDateTime(const char* text, SDateTimeParts& parts);

#endif
