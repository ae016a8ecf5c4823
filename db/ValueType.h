#ifndef QUILLET_DB_VALUETYPE_H
#define QUILLET_DB_VALUETYPE_H

#include <cstdint>

// What a field's value is, by the code CField::GetValueType gives. The codes
// are those of the SQL types they come from. Each kind is read through the
// CField accessor named here. A field whose IsStoredText is true holds the
// driver's text of the value as stored (GetText), whatever its value type.
constexpr int VALUE_TEXT = 1;        // GetText; also unknown SQL types
constexpr int VALUE_NUMERIC = 2;     // GetText: the decimal value
constexpr int VALUE_DECIMAL = 3;     // GetText: the decimal value
constexpr int VALUE_INTEGER = 4;     // GetInteger, or GetUnsigned when IsUnsigned
constexpr int VALUE_SMALLINT = 5;    // as VALUE_INTEGER
constexpr int VALUE_REAL = 7;        // GetDouble (a float widened)
constexpr int VALUE_DOUBLE = 8;      // GetDouble; FLOAT columns too
constexpr int VALUE_DATE = 9;        // GetDate
constexpr int VALUE_TIME = 10;       // GetText: "[-]HH:MM:SS[.fraction]", hours may exceed 23
constexpr int VALUE_TIMESTAMP = 11;  // GetTimestamp
constexpr int VALUE_BINARY = -2;     // GetBinary
constexpr int VALUE_BIGINT = -5;     // as VALUE_INTEGER
constexpr int VALUE_TINYINT = -6;    // as VALUE_INTEGER
constexpr int VALUE_BIT = -7;        // GetInteger, 0 or 1

struct SDateValue {
    int16_t year;
    uint16_t month;
    uint16_t day;
};

struct STimestampValue {
    int16_t year;
    uint16_t month;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint32_t fraction;  // billionths of a second
};

#endif
