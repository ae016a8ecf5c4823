// A tiny ODBC driver for tests, loaded by the real driver manager through its
// path ("Driver=/path/to/libquillet_testdriver.so"). It shows behaviours no
// installed driver shows; the statement picks one:
//   select * from short_pieces           one row of one long text column whose
//                                        value comes in pieces that never split
//                                        a UTF-8 character, so most are shorter
//                                        than the buffer allows;
//   select * from short_pieces_no_total  the same, but a cut piece reports
//                                        SQL_NO_TOTAL instead of the length left;
//   select * from stack_overflow         SQLExecute recurses until the stack
//                                        overflows;
//   select * from libc_stack_overflow    the same, each level calling
//                                        snprintf, so that the stack mostly
//                                        overflows inside the C library;
//   select * from null_call              SQLExecute calls through a null
//                                        function pointer.
// Exported functions never call each other: the driver manager's functions of
// the same names would be called instead.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// 1250 times "x" and the euro sign: 5000 bytes.
std::string PieceValue() {
    std::string value;
    while (value.size() < 5000) value += "x\xe2\x82\xac";
    return value;
}

enum class EBehaviour { NONE, SHORT_PIECES, SHORT_PIECES_NO_TOTAL, STACK_OVERFLOW, LIBC_STACK_OVERFLOW, NULL_CALL };

struct SStatement {
    EBehaviour behaviour = EBehaviour::NONE;
    bool executed = false;
    bool fetched = false;
    size_t sent = 0;  // value bytes already returned by SQLGetData
};

EBehaviour BehaviourOf(const std::string& text) {
    if (text == "select * from short_pieces") return EBehaviour::SHORT_PIECES;
    if (text == "select * from short_pieces_no_total") return EBehaviour::SHORT_PIECES_NO_TOTAL;
    if (text == "select * from stack_overflow") return EBehaviour::STACK_OVERFLOW;
    if (text == "select * from libc_stack_overflow") return EBehaviour::LIBC_STACK_OVERFLOW;
    if (text == "select * from null_call") return EBehaviour::NULL_CALL;
    return EBehaviour::NONE;
}

volatile unsigned long deepest = ~0ul;

// The volatile frame and the use after the call keep the compiler from turning
// the recursion into a loop.
unsigned long Recurse(unsigned long depth) {
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    if (depth == deepest) return 0;
    return Recurse(depth + 1) + static_cast<unsigned long>(frame[0]);
}

// A small frame of its own, and snprintf's large one below it at every level.
unsigned long RecurseThroughLibc(unsigned long depth) {
    char text[24];
    const int length = std::snprintf(text, sizeof text, "%lu", depth);
    if (depth == deepest) return 0;
    return RecurseThroughLibc(depth + 1) + static_cast<unsigned long>(length);
}

void CallNull() {
    void (*volatile nothing)() = nullptr;
    nothing();
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xc0) == 0x80; }

// The longest prefix of at most limit bytes of text that ends on a character boundary.
size_t WholeCharacters(const std::string& text, size_t from, size_t limit) {
    size_t length = std::min(limit, text.size() - from);
    while (length > 0 && from + length < text.size() && IsContinuationByte(text[from + length])) --length;
    return length;
}

SQLRETURN GetPiece(SStatement& statement, char* target, SQLLEN bufferLength, SQLLEN* indicator) {
    static const std::string value = PieceValue();
    if (statement.sent == value.size()) return SQL_NO_DATA;
    const size_t left = value.size() - statement.sent;
    const size_t piece = WholeCharacters(value, statement.sent, static_cast<size_t>(bufferLength) - 1);
    std::memcpy(target, value.data() + statement.sent, piece);
    target[piece] = '\0';
    statement.sent += piece;
    const bool cut = piece < left;
    *indicator = cut && statement.behaviour == EBehaviour::SHORT_PIECES_NO_TOTAL ? SQL_NO_TOTAL
                                                                                 : static_cast<SQLLEN>(left);
    return cut ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SStatement& StatementOf(SQLHSTMT handle) { return *static_cast<SStatement*>(handle); }

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT handleType, SQLHANDLE, SQLHANDLE* output) {
    if (handleType == SQL_HANDLE_STMT) {
        *output = new SStatement;
    } else {
        // Environments and connections hold nothing; any distinct address will do.
        *output = new char;
    }
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT handleType, SQLHANDLE handle) {
    if (handleType == SQL_HANDLE_STMT) {
        delete static_cast<SStatement*>(handle);
    } else {
        delete static_cast<char*>(handle);
    }
    return SQL_SUCCESS;
}

// iODBC calls the ODBC 2 functions of an ODBC 2 application's calls.
SQLRETURN SQL_API SQLAllocStmt(SQLHDBC, SQLHSTMT* output) {
    *output = new SStatement;
    return SQL_SUCCESS;
}

// iODBC reads the descriptors of every statement it allocates.
SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT, SQLINTEGER, SQLPOINTER value, SQLINTEGER, SQLINTEGER*) {
    if (value != nullptr) *static_cast<SQLPOINTER*>(value) = nullptr;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option) {
    if (option == SQL_DROP) delete static_cast<SStatement*>(handle);
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC, SQLHWND, SQLCHAR*, SQLSMALLINT, SQLCHAR* completed,
                                   SQLSMALLINT completedSize, SQLSMALLINT* completedLength, SQLUSMALLINT) {
    if (completed != nullptr && completedSize > 0) completed[0] = '\0';
    if (completedLength != nullptr) *completedLength = 0;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLGetInfo(SQLHDBC, SQLUSMALLINT infoType, SQLPOINTER value, SQLSMALLINT, SQLSMALLINT* length) {
    if (infoType == SQL_DRIVER_ODBC_VER) {
        std::strcpy(static_cast<char*>(value), "03.00");
        if (length != nullptr) *length = 5;
        return SQL_SUCCESS;
    }
    if (infoType == SQL_GETDATA_EXTENSIONS) {
        *static_cast<SQLUINTEGER*>(value) = SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER;
        return SQL_SUCCESS;
    }
    return SQL_ERROR;
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
    const char* chars = reinterpret_cast<const char*>(text);
    const std::string statementText = length == SQL_NTS ? std::string(chars) : std::string(chars, length);
    StatementOf(handle) = SStatement();
    StatementOf(handle).behaviour = BehaviourOf(statementText);
    return StatementOf(handle).behaviour == EBehaviour::NONE ? SQL_ERROR : SQL_SUCCESS;
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT handle) {
    SStatement& statement = StatementOf(handle);
    if (statement.behaviour == EBehaviour::STACK_OVERFLOW && Recurse(0) == 0) return SQL_ERROR;
    if (statement.behaviour == EBehaviour::LIBC_STACK_OVERFLOW && RecurseThroughLibc(0) == 0) return SQL_ERROR;
    if (statement.behaviour == EBehaviour::NULL_CALL) CallNull();
    statement.executed = true;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT, SQLSMALLINT* count) {
    *count = 1;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT, SQLUSMALLINT, SQLCHAR* name, SQLSMALLINT nameSize, SQLSMALLINT* nameLength,
                                 SQLSMALLINT* dataType, SQLULEN* columnSize, SQLSMALLINT* decimalDigits,
                                 SQLSMALLINT* nullable) {
    if (name != nullptr && nameSize > 1) std::strcpy(reinterpret_cast<char*>(name), "c");
    if (nameLength != nullptr) *nameLength = 1;
    // Size 0: the length of the column's values is unknown.
    *dataType = SQL_LONGVARCHAR;
    *columnSize = 0;
    *decimalDigits = 0;
    *nullable = SQL_NULLABLE;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) { return SQL_ERROR; }

SQLRETURN SQL_API SQLExtendedFetch(SQLHSTMT handle, SQLUSMALLINT, SQLLEN, SQLULEN* rowCount,
                                   SQLUSMALLINT* rowStatus) {
    SStatement& statement = StatementOf(handle);
    if (!statement.executed || statement.fetched) return SQL_NO_DATA;
    statement.fetched = true;
    if (rowCount != nullptr) *rowCount = 1;
    if (rowStatus != nullptr) *rowStatus = SQL_ROW_SUCCESS;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT handle, SQLUSMALLINT, SQLSMALLINT targetType, SQLPOINTER target,
                             SQLLEN bufferLength, SQLLEN* indicator) {
    SStatement& statement = StatementOf(handle);
    if (!statement.fetched || targetType != SQL_C_CHAR || bufferLength < 1) return SQL_ERROR;
    return GetPiece(statement, static_cast<char*>(target), bufferLength, indicator);
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT) { return SQL_NO_DATA; }

}  // extern "C"
