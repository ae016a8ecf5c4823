#ifndef QUILLET_DB_VALUETYPE_H
#define QUILLET_DB_VALUETYPE_H

#include <cstdint>

// What a field's value buffer holds, by the code CField::GetValueType gives.
// The codes are those of the SQL types they come from. Fixed-size values
// lie at the start of the buffer, suitably aligned; copy them out with
// memcpy into the type named here.
constexpr int VALUE_TEXT = 1;        // NUL-terminated text; also unknown SQL types
constexpr int VALUE_NUMERIC = 2;     // NUL-terminated text of the decimal value
constexpr int VALUE_DECIMAL = 3;     // NUL-terminated text of the decimal value
constexpr int VALUE_INTEGER = 4;     // int32_t
constexpr int VALUE_SMALLINT = 5;    // int32_t
constexpr int VALUE_REAL = 7;        // float
constexpr int VALUE_DOUBLE = 8;      // double; FLOAT columns too
constexpr int VALUE_DATE = 9;        // SDateValue
constexpr int VALUE_TIME = 10;       // STimeValue
constexpr int VALUE_TIMESTAMP = 11;  // STimestampValue
constexpr int VALUE_BINARY = -2;     // GetLength() raw bytes, then at least one spare byte
constexpr int VALUE_BIGINT = -5;     // int64_t
constexpr int VALUE_TINYINT = -6;    // int32_t, so that unsigned drivers' values fit
constexpr int VALUE_BIT = -7;        // one byte, 0 or 1

// The memory layouts of the ODBC date and time structures, so that code
// outside the database layer can read them without the ODBC headers.
struct SDateValue {
    int16_t year;
    uint16_t month;
    uint16_t day;
};

struct STimeValue {
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
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
