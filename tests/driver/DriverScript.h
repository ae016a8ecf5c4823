#ifndef QUILLET_TESTS_DRIVER_DRIVERSCRIPT_H
#define QUILLET_TESTS_DRIVER_DRIVERSCRIPT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The answers of the scripted test driver (tests/driver/ScriptedDriver.cpp),
// decoded from any bytes, so that a fuzzer's input is a script. Counts and
// sizes are kept small: every script runs in a moment. Past its end a script
// reads as zero bytes. The layout, each item a byte unless said otherwise:
//   script := flags faultCount fault* diagnosticLength(2, little end)
//             diagnostic-bytes diagnosticRecords resultCount result*
//   flags  := bit 0 SQLGetData reads any column in any order, bit 1 every
//             success is SQL_SUCCESS_WITH_INFO, bit 2 the driver refuses
//             rowsets other than 1, bit 3 the driver names itself SQLite
//   fault  := call occurrence code: the occurrence-th call (from 0) of that
//             kind returns RETURN_CODES[code & 7] instead, without
//             diagnostics when bit 3 is set
//   result := columnCount (b < 128: b, else (b - 128) * 4) column* rowCount
//             (mod 8) row*, a row being one cell per column
//   column := type (index of SQL_TYPES) size (index of COLUMN_SIZES) digits
//             nullable flags (bit 0 unsigned) name (n: 0 empty, 1-200 that
//             many bytes, 201 "x", more 1000 times "n")
//   cell   := mode (ELength in the low 3 bits; bit 3: only the low 32 bits
//             of a length are written) piece (most bytes a text piece, 0 any)
//             value (L < 200: L bytes follow; else one byte repeated
//             (L - 199) * 300 times); integers take the first 8 bytes,
//             little end, zero-padded
enum EScriptCall {
    CALL_CONNECT,
    CALL_GET_INFO,
    CALL_SET_STMT_ATTR,
    CALL_PREPARE,
    CALL_EXECUTE,
    CALL_NUM_RESULT_COLS,
    CALL_DESCRIBE_COL,
    CALL_COL_ATTRIBUTE,
    CALL_BIND_COL,
    CALL_FETCH,
    CALL_GET_DATA,
    CALL_MORE_RESULTS,
    CALL_FREE_STMT,
    CALL_COUNT
};

// How a cell's length or indicator is told.
enum ELength {
    LENGTH_EXACT,
    LENGTH_NO_TOTAL,     // SQL_NO_TOTAL on a cut piece, exact on the last
    LENGTH_NULL,         // the value is NULL
    LENGTH_HUGE,         // 4 GiB more than the bytes left
    LENGTH_LONGER,       // 3 more than the bytes left
    LENGTH_SHORTER,      // half the bytes left
    LENGTH_NEGATIVE,     // a negative number that means nothing
    LENGTH_UNWRITTEN     // the indicator is left as it was
};

enum EValueKind { KIND_TEXT, KIND_PADDED_TEXT, KIND_BINARY, KIND_INTEGER, KIND_BIT, KIND_OTHER };

struct SScriptColumn {
    short sqlType = 0;
    uint64_t size = 0;
    short digits = 0;
    short nullable = 0;
    bool isUnsigned = false;
    std::string name;
};

struct SScriptCell {
    ELength length = LENGTH_EXACT;
    bool lowBitsOnly = false;  // as DB2's 64-bit driver writes an SQLLEN
    size_t piece = 0;
    std::string bytes;
};

struct SScriptResult {
    std::vector<SScriptColumn> columns;
    std::vector<std::vector<SScriptCell>> rows;
};

struct SScriptFault {
    EScriptCall call = CALL_CONNECT;
    unsigned occurrence = 0;
    short returnCode = 0;
    bool withDiagnostics = true;
};

struct SDriverScript {
    bool readsInAnyOrder = false;
    bool withInfoEverywhere = false;
    bool refusesRowsets = false;
    bool namedSQLite = false;
    std::vector<SScriptFault> faults;
    std::string diagnostic;
    unsigned diagnosticRecords = 0;
    std::vector<SScriptResult> results;
};

// Decodes a script; any bytes make one.
SDriverScript DecodeDriverScript(const uint8_t* data, size_t size);
EValueKind KindOf(short sqlType);
// The integer a cell of an integer or bit column holds.
uint64_t IntegerOf(const SScriptCell& cell);

#endif
