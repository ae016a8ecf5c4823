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
// Writes the nanosecond fraction as nine digits with trailing zeros
// removed, but never fewer than three digits: 0 -> "000", 50000000 -> "050".
// At most 10 are written.
char* PutFraction(char* out, uint32_t nanoseconds);

// A time as drivers write it, "[-]H+:MM[:SS][.fraction]" with hours that may
// exceed 23, as "[-]HH:MM:SS" with all its hours and any fraction dropped.
// Null, nothing written, when the text is no such time or needs more than
// room bytes. Seconds are optional ("12:30" is half past twelve), as SQLite
// reads times.
char* PutTimeOfText(char* out, size_t room, const char* text);

// "YYYY-MM-DD", then optionally a time of day (hours up to 23, seconds and
// fraction optional) after a blank or a "T"; false for anything else.
bool ParseDateTime(const char* text, SDateTimeParts& parts);

#endif
