#include "tests/driver/DriverScript.h"

#include <sql.h>
#include <sqlext.h>

namespace {

// Standard types, the unknown type and codes of no standard: SQL Server's
// sql_variant and user types, and numbers no driver gave yet.
const short SQL_TYPES[] = {SQL_CHAR, SQL_VARCHAR, SQL_LONGVARCHAR, SQL_WCHAR, SQL_WVARCHAR, SQL_WLONGVARCHAR,
                           SQL_BINARY, SQL_VARBINARY, SQL_LONGVARBINARY, SQL_INTEGER, SQL_SMALLINT, SQL_TINYINT,
                           SQL_BIGINT, SQL_BIT, SQL_DOUBLE, SQL_REAL, SQL_FLOAT, SQL_NUMERIC, SQL_DECIMAL,
                           SQL_TYPE_DATE, SQL_TYPE_TIME, SQL_TYPE_TIMESTAMP, SQL_DATE, SQL_TIME, SQL_TIMESTAMP,
                           SQL_GUID, SQL_UNKNOWN_TYPE, -150, -151, 99, 32767, -32768};

const uint64_t COLUMN_SIZES[] = {0, 1, 2, 10, 100, 255, 4000, 65535, 0x7fffffffu, 0x80000000u, 0xffffffffu,
                                 0x100000000u, 0x10000000au, uint64_t{1} << 62, ~uint64_t{0}};

const short RETURN_CODES[] = {SQL_SUCCESS,  SQL_SUCCESS_WITH_INFO, SQL_ERROR, SQL_NO_DATA,
                              SQL_INVALID_HANDLE, SQL_STILL_EXECUTING, SQL_NEED_DATA, -3};

template <typename T, size_t N>
constexpr size_t CountOf(const T (&)[N]) {
    return N;
}

class CScriptReader {
public:
    CScriptReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool AtEnd() const { return at_ >= size_; }
    std::string Bytes(size_t n) {
        std::string bytes;
        while (n-- > 0) bytes += static_cast<char>(Byte());
        return bytes;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

std::string ReadName(CScriptReader& reader) {
    const unsigned n = reader.Byte();
    if (n <= 200) return reader.Bytes(n);
    if (n == 201) return "x";
    return std::string(1000, 'n');
}

SScriptColumn ReadColumn(CScriptReader& reader) {
    SScriptColumn column;
    column.sqlType = SQL_TYPES[reader.Byte() % CountOf(SQL_TYPES)];
    column.size = COLUMN_SIZES[reader.Byte() % CountOf(COLUMN_SIZES)];
    column.digits = reader.Byte();
    column.nullable = reader.Byte() % 3;
    column.isUnsigned = (reader.Byte() & 1) != 0;
    column.name = ReadName(reader);
    return column;
}

SScriptCell ReadCell(CScriptReader& reader) {
    SScriptCell cell;
    const uint8_t mode = reader.Byte();
    cell.length = static_cast<ELength>(mode & 7);
    cell.lowBitsOnly = (mode & 8) != 0;
    cell.piece = reader.Byte();
    const unsigned n = reader.Byte();
    cell.bytes = n < 200 ? reader.Bytes(n) : std::string((n - 199) * 300, static_cast<char>(reader.Byte()));
    return cell;
}

SScriptResult ReadResult(CScriptReader& reader) {
    SScriptResult result;
    const unsigned b = reader.Byte();
    const unsigned columns = b < 128 ? b : (b - 128) * 4;
    for (unsigned i = 0; i < columns; ++i) result.columns.push_back(ReadColumn(reader));
    const unsigned rows = reader.Byte() % 8;
    for (unsigned r = 0; r < rows && !reader.AtEnd(); ++r) {
        std::vector<SScriptCell> row;
        for (unsigned i = 0; i < columns; ++i) row.push_back(ReadCell(reader));
        result.rows.push_back(row);
    }
    return result;
}

}  // namespace

SDriverScript DecodeDriverScript(const uint8_t* data, size_t size) {
    CScriptReader reader(data, size);
    SDriverScript script;
    const uint8_t flags = reader.Byte();
    script.readsInAnyOrder = (flags & 1) != 0;
    script.withInfoEverywhere = (flags & 2) != 0;
    script.refusesRowsets = (flags & 4) != 0;
    script.namedSQLite = (flags & 8) != 0;
    const unsigned faults = reader.Byte() % 8;
    for (unsigned i = 0; i < faults; ++i) {
        SScriptFault fault;
        fault.call = static_cast<EScriptCall>(reader.Byte() % CALL_COUNT);
        fault.occurrence = reader.Byte();
        const uint8_t code = reader.Byte();
        fault.returnCode = RETURN_CODES[code & 7];
        fault.withDiagnostics = (code & 8) == 0;
        script.faults.push_back(fault);
    }
    const unsigned low = reader.Byte();
    script.diagnostic = reader.Bytes((low | reader.Byte() << 8) % 3000);
    script.diagnosticRecords = reader.Byte() % 4;
    const unsigned results = reader.Byte() % 4;
    for (unsigned i = 0; i < (results == 0 ? 1 : results); ++i) script.results.push_back(ReadResult(reader));
    return script;
}

EValueKind KindOf(short sqlType) {
    switch (sqlType) {
        case SQL_CHAR:
        case SQL_WCHAR:
            return KIND_PADDED_TEXT;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return KIND_BINARY;
        case SQL_INTEGER:
        case SQL_SMALLINT:
        case SQL_TINYINT:
        case SQL_BIGINT:
            return KIND_INTEGER;
        case SQL_BIT:
            return KIND_BIT;
        case SQL_DOUBLE:
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_NUMERIC:
        case SQL_DECIMAL:
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIME:
        case SQL_TIMESTAMP:
            return KIND_OTHER;
        default:
            return KIND_TEXT;
    }
}

uint64_t IntegerOf(const SScriptCell& cell) {
    uint64_t value = 0;
    for (size_t i = 0; i < 8 && i < cell.bytes.size(); ++i) {
        value |= uint64_t{static_cast<uint8_t>(cell.bytes[i])} << (8 * i);
    }
    return value;
}
