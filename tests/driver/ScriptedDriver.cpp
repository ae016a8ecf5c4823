// An ODBC driver whose every answer a script decides, for the fuzzer and for
// the quirks of drivers not installed here: loaded by the real driver manager
// through its path, "Driver=/path/to/libquillet_scripteddriver.so;Script=FILE",
// it reads the script file (tests/driver/DriverScript.h) when it connects and
// ignores the statement text. Values are converted to the C type asked for as
// a driver would: integers to their decimal text, binary to hex digits.
// Exported functions never call each other: the driver manager's functions of
// the same names would be called instead.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/driver/DriverScript.h"

namespace {

constexpr size_t DELIVERED = ~size_t{0};  // a cell whose value SQLGetData has given whole

struct SBinding {
    SQLSMALLINT cType = 0;
    char* target = nullptr;
    SQLLEN length = 0;
    SQLLEN* indicator = nullptr;
};

struct SHandle {
    SQLSMALLINT type = 0;
    std::shared_ptr<SDriverScript> script;
    std::shared_ptr<std::vector<unsigned>> calls;  // per EScriptCall, shared by a connection's statements
    unsigned diagnostics = 0;                       // records SQLGetDiagRec gives for the last call
    bool executed = false;
    size_t result = 0;
    size_t nextRow = 0;
    const std::vector<SScriptCell>* row = nullptr;
    std::vector<SBinding> bindings;
    std::vector<size_t> sent;  // value bytes SQLGetData gave per column of the row
};

SHandle& HandleOf(SQLHANDLE handle) { return *static_cast<SHandle*>(handle); }

bool IsSuccessCode(SQLRETURN code) { return code == SQL_SUCCESS || code == SQL_SUCCESS_WITH_INFO; }

// The call's answer: SQL_SUCCESS to do the work, or a code the script forces.
SQLRETURN Begin(SHandle& handle, EScriptCall call, bool& forced) {
    forced = false;
    if (!handle.script) return SQL_SUCCESS;
    const unsigned occurrence = (*handle.calls)[call]++;
    for (const SScriptFault& fault : handle.script->faults) {
        if (fault.call != call || fault.occurrence != occurrence) continue;
        forced = true;
        handle.diagnostics = fault.withDiagnostics ? handle.script->diagnosticRecords : 0;
        return fault.returnCode;
    }
    return SQL_SUCCESS;
}

SQLRETURN Finish(SHandle& handle, SQLRETURN code, bool forced, SQLRETURN forcedCode) {
    if (forced && IsSuccessCode(code)) return forcedCode;
    if (!handle.script) return code;
    if (code == SQL_SUCCESS && handle.script->withInfoEverywhere) code = SQL_SUCCESS_WITH_INFO;
    handle.diagnostics = code == SQL_SUCCESS || code == SQL_NO_DATA ? 0 : handle.script->diagnosticRecords;
    return code;
}

// Runs work unless the script forces the call's answer.
template <typename Work>
SQLRETURN Answer(SQLHANDLE raw, EScriptCall call, Work work) {
    SHandle& handle = HandleOf(raw);
    bool forced = false;
    const SQLRETURN code = Begin(handle, call, forced);
    if (!IsSuccessCode(code)) return code;
    handle.diagnostics = 0;
    return Finish(handle, work(handle), forced, code);
}

const SScriptResult* CurrentResult(const SHandle& statement) {
    if (!statement.script || statement.result >= statement.script->results.size()) return nullptr;
    return &statement.script->results[statement.result];
}

size_t ColumnCount(const SHandle& statement) {
    const SScriptResult* result = CurrentResult(statement);
    return result != nullptr ? result->columns.size() : 0;
}

std::string LittleEnd(uint64_t value, size_t size) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes += static_cast<char>(value >> (8 * (i % 8)));
    return bytes;
}

std::string Padded(std::string bytes, size_t size) {
    bytes.resize(size, '\0');
    return bytes;
}

std::string TextOf(const SScriptColumn& column, const SScriptCell& cell) {
    switch (KindOf(column.sqlType)) {
        case KIND_INTEGER:
            return column.isUnsigned ? std::to_string(IntegerOf(cell))
                                     : std::to_string(static_cast<int64_t>(IntegerOf(cell)));
        case KIND_BIT:
            return std::to_string(IntegerOf(cell) & 0xff);
        case KIND_BINARY: {
            std::string hex;
            for (unsigned char c : cell.bytes) {
                hex += "0123456789abcdef"[c >> 4];
                hex += "0123456789abcdef"[c & 15];
            }
            return hex;
        }
        default:
            return cell.bytes;
    }
}

// The value as the C type asks; false for a type the driver does not convert to.
bool ConvertValue(const SScriptColumn& column, const SScriptCell& cell, SQLSMALLINT cType, std::string& value,
                  bool& fixed) {
    fixed = cType != SQL_C_CHAR && cType != SQL_C_BINARY;
    const bool isNumber = KindOf(column.sqlType) == KIND_INTEGER || KindOf(column.sqlType) == KIND_BIT;
    switch (cType) {
        case SQL_C_CHAR:
            value = TextOf(column, cell);
            return true;
        case SQL_C_BINARY:
            value = isNumber ? LittleEnd(IntegerOf(cell), 8) : cell.bytes;
            return true;
        case SQL_C_SBIGINT:
        case SQL_C_UBIGINT:
            value = LittleEnd(IntegerOf(cell), 8);
            return true;
        case SQL_C_BIT:
            value = LittleEnd(IntegerOf(cell), 1);
            return true;
        case SQL_C_DOUBLE:
            value = Padded(cell.bytes, sizeof(SQLDOUBLE));
            return true;
        case SQL_C_FLOAT:
            value = Padded(cell.bytes, sizeof(SQLREAL));
            return true;
        case SQL_C_DATE:
        case SQL_C_TYPE_DATE:
            value = Padded(cell.bytes, sizeof(DATE_STRUCT));
            return true;
        case SQL_C_TIMESTAMP:
        case SQL_C_TYPE_TIMESTAMP:
            value = Padded(cell.bytes, sizeof(TIMESTAMP_STRUCT));
            return true;
        default:
            return false;
    }
}

void WriteLength(SQLLEN* indicator, const SScriptCell& cell, size_t left, bool cut) {
    if (indicator == nullptr) return;
    SQLLEN length = static_cast<SQLLEN>(left);
    switch (cell.length) {
        case LENGTH_NO_TOTAL:
            if (cut) length = SQL_NO_TOTAL;
            break;
        case LENGTH_NULL:
            length = SQL_NULL_DATA;
            break;
        case LENGTH_HUGE:
            length += SQLLEN{1} << 32;
            break;
        case LENGTH_LONGER:
            length += 3;
            break;
        case LENGTH_SHORTER:
            length /= 2;
            break;
        case LENGTH_NEGATIVE:
            length = -1000 - length;
            break;
        case LENGTH_UNWRITTEN:
            return;
        default:
            break;
    }
    if (cell.lowBitsOnly) {
        const uint32_t low = static_cast<uint32_t>(length);
        std::memcpy(indicator, &low, sizeof low);
    } else {
        *indicator = length;
    }
}

// Gives the value of a column from offset on; offset is DELIVERED when all was
// given. Only text comes in pieces shorter than their room, as drivers that
// keep characters whole give it: a binary piece has no mark of its end.
SQLRETURN Deliver(const SHandle& statement, size_t column, SQLSMALLINT cType, char* target, SQLLEN bufferLength,
                  SQLLEN* indicator, size_t& offset) {
    const SScriptColumn& description = CurrentResult(statement)->columns[column];
    const SScriptCell& cell = (*statement.row)[column];
    if (offset == DELIVERED) return SQL_NO_DATA;
    if (cell.length == LENGTH_NULL) {
        if (indicator == nullptr) return SQL_ERROR;
        WriteLength(indicator, cell, 0, false);
        offset = DELIVERED;
        return SQL_SUCCESS;
    }
    std::string value;
    bool fixed = false;
    if (!ConvertValue(description, cell, cType, value, fixed) || target == nullptr || bufferLength < 0) {
        return SQL_ERROR;
    }
    const size_t left = value.size() - offset;
    const bool isText = cType == SQL_C_CHAR;
    size_t room = fixed ? left : static_cast<size_t>(bufferLength) - (isText && bufferLength > 0 ? 1 : 0);
    if (isText && cell.piece != 0) room = std::min(room, cell.piece);
    const size_t n = std::min(left, room);
    std::memcpy(target, value.data() + offset, n);
    if (isText && bufferLength > 0) target[n] = '\0';
    const bool cut = n < left;
    WriteLength(indicator, cell, left, cut);
    offset = cut ? offset + n : DELIVERED;
    return cut ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN FetchRow(SHandle& statement, SQLULEN* rowCount, SQLUSMALLINT* rowStatus) {
    const SScriptResult* result = CurrentResult(statement);
    if (!statement.executed || result == nullptr) return SQL_ERROR;
    if (statement.nextRow >= result->rows.size()) {
        statement.row = nullptr;
        return SQL_NO_DATA;
    }
    statement.row = &result->rows[statement.nextRow++];
    statement.sent.assign(result->columns.size(), 0);
    if (rowCount != nullptr) *rowCount = 1;
    if (rowStatus != nullptr) *rowStatus = SQL_ROW_SUCCESS;
    SQLRETURN code = SQL_SUCCESS;
    for (size_t column = 0; column < statement.bindings.size() && column < result->columns.size(); ++column) {
        const SBinding& binding = statement.bindings[column];
        if (binding.target == nullptr) continue;
        size_t offset = 0;
        const SQLRETURN delivered = Deliver(statement, column, binding.cType, binding.target, binding.length,
                                            binding.indicator, offset);
        if (!IsSuccessCode(delivered)) return delivered;
        if (delivered == SQL_SUCCESS_WITH_INFO) code = delivered;
    }
    return code;
}

std::shared_ptr<SDriverScript> LoadScript(const std::string& connectionString) {
    const size_t key = connectionString.find("Script=");
    if (key == std::string::npos) return nullptr;
    const size_t start = key + std::strlen("Script=");
    const std::string path = connectionString.substr(start, connectionString.find(';', start) - start);
    std::ifstream file(path, std::ios::binary);
    if (!file) return nullptr;
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return std::make_shared<SDriverScript>(
        DecodeDriverScript(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// Copies text into a buffer of size bytes, cut to fit; SQL_SUCCESS_WITH_INFO when cut.
SQLRETURN CopyText(const std::string& text, SQLCHAR* target, SQLSMALLINT size, SQLSMALLINT* length) {
    if (length != nullptr) *length = static_cast<SQLSMALLINT>(std::min<size_t>(text.size(), 32767));
    if (target == nullptr || size <= 0) return text.empty() ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
    const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(target, text.data(), n);
    target[n] = '\0';
    return n < text.size() ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN AllocateHandle(SQLSMALLINT handleType, SQLHANDLE parent, SQLHANDLE* output) {
    auto handle = std::make_unique<SHandle>();
    handle->type = handleType;
    if (handleType == SQL_HANDLE_STMT) {
        handle->script = HandleOf(parent).script;
        handle->calls = HandleOf(parent).calls;
    }
    *output = handle.release();
    return SQL_SUCCESS;
}

SQLRETURN FreeHandle(SQLHANDLE handle) {
    delete static_cast<SHandle*>(handle);
    return SQL_SUCCESS;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT handleType, SQLHANDLE parent, SQLHANDLE* output) {
    return AllocateHandle(handleType, parent, output);
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT, SQLHANDLE handle) { return FreeHandle(handle); }

// iODBC calls the ODBC 2 functions of an ODBC 2 application's calls, and
// reads the descriptors of every statement it allocates.
SQLRETURN SQL_API SQLAllocStmt(SQLHDBC connection, SQLHSTMT* output) {
    return AllocateHandle(SQL_HANDLE_STMT, connection, output);
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT, SQLINTEGER, SQLPOINTER value, SQLINTEGER, SQLINTEGER*) {
    if (value != nullptr) *static_cast<SQLPOINTER*>(value) = nullptr;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option) {
    if (option == SQL_DROP) return FreeHandle(handle);
    return Answer(handle, CALL_FREE_STMT, [option](SHandle& statement) -> SQLRETURN {
        if (option == SQL_UNBIND) statement.bindings.clear();
        if (option == SQL_CLOSE) statement.executed = false;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
    return Answer(handle, CALL_SET_STMT_ATTR, [attribute, value](SHandle& statement) -> SQLRETURN {
        const bool rowset = attribute == SQL_ROWSET_SIZE || attribute == SQL_ATTR_ROW_ARRAY_SIZE;
        const bool refused = rowset && reinterpret_cast<uintptr_t>(value) != 1 && statement.script->refusesRowsets;
        return refused ? SQL_ERROR : SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC handle, SQLHWND, SQLCHAR* text, SQLSMALLINT length, SQLCHAR* completed,
                                   SQLSMALLINT completedSize, SQLSMALLINT* completedLength, SQLUSMALLINT) {
    SHandle& connection = HandleOf(handle);
    const char* chars = reinterpret_cast<const char*>(text);
    connection.script = LoadScript(length == SQL_NTS ? std::string(chars) : std::string(chars, length));
    if (!connection.script) return SQL_ERROR;
    connection.calls = std::make_shared<std::vector<unsigned>>(CALL_COUNT, 0);
    return Answer(handle, CALL_CONNECT,
                  [=](SHandle&) -> SQLRETURN { return CopyText("", completed, completedSize, completedLength); });
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLGetInfo(SQLHDBC handle, SQLUSMALLINT infoType, SQLPOINTER value, SQLSMALLINT size,
                             SQLSMALLINT* length) {
    SQLCHAR* text = static_cast<SQLCHAR*>(value);
    if (infoType == SQL_DRIVER_ODBC_VER) return CopyText("03.00", text, size, length);
    if (!HandleOf(handle).script || (infoType != SQL_GETDATA_EXTENSIONS && infoType != SQL_DBMS_NAME)) {
        return SQL_ERROR;
    }
    return Answer(handle, CALL_GET_INFO, [=](SHandle& connection) -> SQLRETURN {
        if (infoType == SQL_DBMS_NAME) {
            return CopyText(connection.script->namedSQLite ? "SQLite" : "Scripted", text, size, length);
        }
        *static_cast<SQLUINTEGER*>(value) =
            connection.script->readsInAnyOrder ? SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER : 0;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT handle, SQLCHAR*, SQLINTEGER) {
    return Answer(handle, CALL_PREPARE, [](SHandle& statement) -> SQLRETURN {
        statement.executed = false;
        statement.result = 0;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT handle) {
    return Answer(handle, CALL_EXECUTE, [](SHandle& statement) -> SQLRETURN {
        statement.executed = true;
        statement.result = 0;
        statement.nextRow = 0;
        statement.row = nullptr;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT* count) {
    return Answer(handle, CALL_NUM_RESULT_COLS, [count](SHandle& statement) -> SQLRETURN {
        *count = static_cast<SQLSMALLINT>(ColumnCount(statement));
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT handle, SQLUSMALLINT number, SQLCHAR* name, SQLSMALLINT nameSize,
                                 SQLSMALLINT* nameLength, SQLSMALLINT* dataType, SQLULEN* columnSize,
                                 SQLSMALLINT* decimalDigits, SQLSMALLINT* nullable) {
    return Answer(handle, CALL_DESCRIBE_COL, [=](SHandle& statement) -> SQLRETURN {
        if (number == 0 || number > ColumnCount(statement)) return SQL_ERROR;
        const SScriptColumn& column = CurrentResult(statement)->columns[number - 1];
        *dataType = column.sqlType;
        *columnSize = column.size;
        *decimalDigits = column.digits;
        *nullable = column.nullable;
        return CopyText(column.name, name, nameSize, nameLength);
    });
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT handle, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER, SQLSMALLINT,
                                  SQLSMALLINT*, SQLLEN* numeric) {
    return Answer(handle, CALL_COL_ATTRIBUTE, [=](SHandle& statement) -> SQLRETURN {
        if (number == 0 || number > ColumnCount(statement) || field != SQL_DESC_UNSIGNED) return SQL_ERROR;
        *numeric = CurrentResult(statement)->columns[number - 1].isUnsigned ? SQL_TRUE : SQL_FALSE;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT cType, SQLPOINTER target,
                             SQLLEN length, SQLLEN* indicator) {
    return Answer(handle, CALL_BIND_COL, [=](SHandle& statement) -> SQLRETURN {
        if (number == 0) return SQL_ERROR;
        if (statement.bindings.size() < number) statement.bindings.resize(number);
        statement.bindings[number - 1] = SBinding{cType, static_cast<char*>(target), length, indicator};
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLExtendedFetch(SQLHSTMT handle, SQLUSMALLINT, SQLLEN, SQLULEN* rowCount,
                                   SQLUSMALLINT* rowStatus) {
    return Answer(handle, CALL_FETCH,
                  [=](SHandle& statement) -> SQLRETURN { return FetchRow(statement, rowCount, rowStatus); });
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT cType, SQLPOINTER target,
                             SQLLEN bufferLength, SQLLEN* indicator) {
    return Answer(handle, CALL_GET_DATA, [=](SHandle& statement) -> SQLRETURN {
        if (statement.row == nullptr || number == 0 || number > statement.sent.size()) return SQL_ERROR;
        return Deliver(statement, number - 1, cType, static_cast<char*>(target), bufferLength, indicator,
                       statement.sent[number - 1]);
    });
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT handle) {
    return Answer(handle, CALL_MORE_RESULTS, [](SHandle& statement) -> SQLRETURN {
        if (!statement.executed || statement.result >= statement.script->results.size()) return SQL_NO_DATA;
        ++statement.result;
        statement.nextRow = 0;
        statement.row = nullptr;
        return statement.result < statement.script->results.size() ? SQL_SUCCESS : SQL_NO_DATA;
    });
}

// The script's diagnostic, as many records as it says, after a call that
// failed or succeeded with information.
SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT, SQLHANDLE handle, SQLSMALLINT record, SQLCHAR* state,
                                SQLINTEGER* nativeError, SQLCHAR* message, SQLSMALLINT size, SQLSMALLINT* length) {
    const SHandle& owner = HandleOf(handle);
    if (record < 1 || static_cast<unsigned>(record) > owner.diagnostics) return SQL_NO_DATA;
    // unixODBC 2.3.11 hands on a copy of an empty message that it never ended.
    std::string text = owner.script->diagnostic;
    if (text.empty() || text[0] == '\0') text.insert(0, "-");
    if (state != nullptr) CopyText(Padded(text.substr(0, 5), 5), state, 6, nullptr);
    if (nativeError != nullptr) *nativeError = static_cast<SQLINTEGER>(text.size()) * -record;
    return CopyText(text, message, size, length);
}

// unixODBC reads a statement's diagnostics only from a driver that counts them.
SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT identifier,
                                  SQLPOINTER info, SQLSMALLINT, SQLSMALLINT*) {
    if (record != 0 || identifier != SQL_DIAG_NUMBER) return SQL_ERROR;
    *static_cast<SQLINTEGER*>(info) = static_cast<SQLINTEGER>(HandleOf(handle).diagnostics);
    return SQL_SUCCESS;
}

}  // extern "C"
