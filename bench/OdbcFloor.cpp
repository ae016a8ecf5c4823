// Fetches every row of one statement through an ODBC driver and does nothing
// with the values: no formatting, no output. Its run time is what the driver
// itself costs with the cursor an exporter of one row per fetch uses, so the
// exporter's own cost is its time minus this one.
//
// Usage: bench_OdbcFloor "<connection string>" "<statement>"
// Prints the number of rows fetched to standard error; exit status 1 on failure.

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr SQLLEN PIECE_SIZE = 4096;

bool Succeeded(SQLRETURN result) {
    return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO;
}

// Owns one ODBC 2 handle; the kind decides how it is released.
class CHandle {
public:
    explicit CHandle(SQLSMALLINT handleType) : type_(handleType) {}
    ~CHandle() { Free(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    SQLHANDLE* Out() { return &handle_; }
    SQLHANDLE Get() const { return handle_; }
    SQLSMALLINT Type() const { return type_; }
    void MarkConnected() { connected_ = true; }

private:
    void Free() {
        if (handle_ == SQL_NULL_HANDLE) {
            return;
        }
        if (type_ == SQL_HANDLE_STMT) {
            SQLFreeStmt(handle_, SQL_DROP);
        } else if (type_ == SQL_HANDLE_DBC) {
            if (connected_) {
                SQLDisconnect(handle_);
            }
            SQLFreeConnect(handle_);
        } else {
            SQLFreeEnv(handle_);
        }
        handle_ = SQL_NULL_HANDLE;
    }

    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
    bool connected_ = false;
};

void PrintDiagnostics(const CHandle& handle) {
    SQLCHAR state[6];
    SQLCHAR message[1024];
    SQLINTEGER nativeError = 0;
    SQLSMALLINT messageLength = 0;
    for (SQLSMALLINT record = 1;
         Succeeded(SQLGetDiagRec(handle.Type(), handle.Get(), record, state, &nativeError, message,
                                 sizeof message, &messageLength));
         ++record) {
        std::fprintf(stderr, "[%s] %d - %s\n", reinterpret_cast<char*>(state),
                     static_cast<int>(nativeError), reinterpret_cast<char*>(message));
    }
}

// One result column, bound to a typed buffer or read with SQLGetData after
// the fetch. A long value is read in pieces into the same buffer: the floor
// needs the driver to deliver every byte, not to keep them. A bound column
// whose values may not fit (`pieces`) has a value the fetch cut read again
// whole, as the exporter does.
struct Column {
    SQLSMALLINT cType = SQL_C_CHAR;
    bool bound = true;
    bool pieces = false;
    std::vector<char> buffer;
    SQLLEN indicator = 0;
};

// Whether SQLGetData may read any column, bound or not, in any order: then a
// text or binary column of a declared size is bound, as the exporter binds it.
bool ReadsInAnyOrder(const CHandle& connection) {
    SQLUINTEGER extensions = 0;
    const SQLUINTEGER anyOrder = SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER;
    return Succeeded(SQLGetInfo(connection.Get(), SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions,
                                nullptr)) &&
           (extensions & anyOrder) == anyOrder;
}

// The C type a careful exporter fetches each SQL type as (every integer
// 64 bits wide, as a driver may describe wider values than the declared
// type holds); character data gets room for four bytes per character
// (UTF-8), up to a page, and anything without a fixed size is read in pieces.
void ChooseTarget(Column& column, SQLSMALLINT sqlType, SQLULEN size) {
    switch (sqlType) {
    case SQL_BIT:
        column.cType = SQL_C_BIT;
        column.buffer.resize(sizeof(SQLCHAR));
        return;
    case SQL_INTEGER: case SQL_SMALLINT: case SQL_TINYINT: case SQL_BIGINT:
        column.cType = SQL_C_SBIGINT;
        column.buffer.resize(sizeof(SQLBIGINT));
        return;
    case SQL_DOUBLE: case SQL_FLOAT: case SQL_REAL:
        column.cType = SQL_C_DOUBLE;
        column.buffer.resize(sizeof(SQLDOUBLE));
        return;
    case SQL_DATE: case SQL_TYPE_DATE:
        column.cType = SQL_C_DATE;
        column.buffer.resize(sizeof(DATE_STRUCT));
        return;
    case SQL_TIME: case SQL_TYPE_TIME:
        column.cType = SQL_C_TIME;
        column.buffer.resize(sizeof(TIME_STRUCT));
        return;
    case SQL_TIMESTAMP: case SQL_TYPE_TIMESTAMP:
        column.cType = SQL_C_TIMESTAMP;
        column.buffer.resize(sizeof(TIMESTAMP_STRUCT));
        return;
    case SQL_BINARY: case SQL_VARBINARY: case SQL_LONGVARBINARY:
        column.cType = SQL_C_BINARY;
        column.pieces = true;
        column.buffer.resize(PIECE_SIZE);
        return;
    default:
        break;
    }
    column.cType = SQL_C_CHAR;
    const bool fits = sqlType != SQL_LONGVARCHAR && size > 0 && size * 4 < PIECE_SIZE;
    column.pieces = !fits;
    column.buffer.resize(fits ? size * 4 + 1 : PIECE_SIZE);
}

bool Bind(const CHandle& statement, SQLUSMALLINT number, Column& column) {
    return Succeeded(SQLBindCol(statement.Get(), number, column.cType, column.buffer.data(),
                                static_cast<SQLLEN>(column.buffer.size()), &column.indicator));
}

// How many bytes of a value the buffer holds whole: a text needs its terminating zero.
SQLLEN FullLength(const Column& column) {
    const SQLLEN room = static_cast<SQLLEN>(column.buffer.size());
    return column.cType == SQL_C_CHAR ? room - 1 : room;
}

// Drivers such as SQLite's and PostgreSQL's allow SQLGetData only after the
// last bound column, so once one column is read in pieces none after it is
// bound; drivers that read any column in any order get a text or binary
// column of a declared size bound.
bool DescribeAndBind(const CHandle& statement, bool anyOrder, std::vector<Column>& columns) {
    SQLSMALLINT count = 0;
    if (!Succeeded(SQLNumResultCols(statement.Get(), &count))) {
        return false;
    }
    columns.resize(count);
    bool binding = true;
    for (SQLSMALLINT i = 0; i < count; ++i) {
        SQLCHAR name[1000];
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        if (!Succeeded(SQLDescribeCol(statement.Get(), i + 1, name, sizeof name, &nameLength,
                                      &sqlType, &size, &digits, &nullable))) {
            return false;
        }
        Column& column = columns[i];
        ChooseTarget(column, sqlType, size);
        binding = binding && (!column.pieces || (anyOrder && size > 0));
        column.bound = binding;
        if (column.bound && !Bind(statement, static_cast<SQLUSMALLINT>(i + 1), column)) {
            return false;
        }
    }
    return true;
}

// A character piece that the driver cut ends in a terminating zero, so it
// was complete only when its length leaves room for that zero.
bool ReadUnbound(const CHandle& statement, SQLUSMALLINT number, Column& column) {
    const SQLLEN room = static_cast<SQLLEN>(column.buffer.size());
    for (;;) {
        const SQLRETURN result = SQLGetData(statement.Get(), number, column.cType,
                                            column.buffer.data(), room, &column.indicator);
        if (result == SQL_NO_DATA || column.indicator == SQL_NULL_DATA) {
            return true;
        }
        if (!Succeeded(result)) {
            return false;
        }
        if (!column.pieces || (column.indicator != SQL_NO_TOTAL && column.indicator <= FullLength(column))) {
            return true;
        }
    }
}

// A bound value the fetch cut is read whole: the column is unbound, read
// from its start with SQLGetData and bound again.
bool ReadCut(const CHandle& statement, SQLUSMALLINT number, Column& column) {
    if (column.indicator != SQL_NO_TOTAL && column.indicator <= FullLength(column)) {
        return true;
    }
    return Succeeded(SQLBindCol(statement.Get(), number, column.cType, nullptr, 0, nullptr)) &&
           ReadUnbound(statement, number, column) && Bind(statement, number, column);
}

bool ReadRow(const CHandle& statement, std::vector<Column>& columns) {
    for (size_t i = 0; i < columns.size(); ++i) {
        const SQLUSMALLINT number = static_cast<SQLUSMALLINT>(i + 1);
        Column& column = columns[i];
        if (!(column.bound ? !column.pieces || ReadCut(statement, number, column)
                           : ReadUnbound(statement, number, column))) {
            return false;
        }
    }
    return true;
}

// The cursor options and the fetch call of the exporter: forward-only,
// read-only; one row per SQLExtendedFetch.
bool Prepare(const CHandle& statement, const char* text) {
    SQLSetStmtOption(statement.Get(), SQL_CURSOR_TYPE, SQL_CURSOR_FORWARD_ONLY);
    SQLSetStmtOption(statement.Get(), SQL_CONCURRENCY, SQL_CONCUR_READ_ONLY);
    return SQLPrepare(statement.Get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS) !=
           SQL_ERROR;
}

// Returns the number of rows, or -1 after a failed fetch or read.
long long FetchAll(const CHandle& statement, std::vector<Column>& columns) {
    long long rows = 0;
    for (;;) {
        SQLULEN rowCount = 0;
        SQLUSMALLINT rowStatus = 0;
        const SQLRETURN result = SQLExtendedFetch(statement.Get(), SQL_FETCH_NEXT, 1, &rowCount, &rowStatus);
        if (result == SQL_NO_DATA) {
            return rows;
        }
        if (!Succeeded(result) || !ReadRow(statement, columns)) {
            return -1;
        }
        ++rows;
    }
}

bool Connect(CHandle& environment, CHandle& connection, const char* connectionString) {
    if (SQLAllocEnv(environment.Out()) != SQL_SUCCESS ||
        SQLAllocConnect(environment.Get(), connection.Out()) != SQL_SUCCESS) {
        return false;
    }
    SQLCHAR completed[4096];
    SQLSMALLINT completedLength = 0;
    const SQLRETURN result = SQLDriverConnect(
        connection.Get(), nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString)),
        static_cast<SQLSMALLINT>(std::strlen(connectionString)), completed, sizeof completed,
        &completedLength, SQL_DRIVER_NOPROMPT);
    if (!Succeeded(result)) {
        return false;
    }
    connection.MarkConnected();
    return true;
}

int Fail(const CHandle& handle, const char* what) {
    std::fprintf(stderr, "%s failed.\n", what);
    PrintDiagnostics(handle);
    return 1;
}

int Run(const char* connectionString, const char* statementText) {
    if (std::strlen(connectionString) > 32767) {
        std::fputs("Connection string too long.\n", stderr);
        return 1;
    }
    CHandle environment(SQL_HANDLE_ENV);
    CHandle connection(SQL_HANDLE_DBC);
    if (!Connect(environment, connection, connectionString)) {
        return Fail(connection, "Connect");
    }
    CHandle statement(SQL_HANDLE_STMT);
    if (!Succeeded(SQLAllocStmt(connection.Get(), statement.Out()))) {
        return Fail(connection, "Statement allocation");
    }
    std::vector<Column> columns;
    if (!Prepare(statement, statementText) || !DescribeAndBind(statement, ReadsInAnyOrder(connection), columns)) {
        return Fail(statement, "Prepare");
    }
    if (SQLExecute(statement.Get()) == SQL_ERROR) {
        return Fail(statement, "Execute");
    }
    const long long rows = FetchAll(statement, columns);
    if (rows < 0) {
        return Fail(statement, "Fetch");
    }
    std::fprintf(stderr, "%lld rows\n", rows);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fputs("Usage: bench_OdbcFloor \"<connection string>\" \"<statement>\"\n", stderr);
        return 2;
    }
    return Run(argv[1], argv[2]);
}
