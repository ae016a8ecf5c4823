#include "db/RecordSet.h"

#include <cstdint>
#include <cstring>

#include "db/CursorOptions.h"
#include "db/Database.h"
#include "db/Diagnostics.h"
#include "db/OdbcApi.h"

namespace {

constexpr SQLSMALLINT COLUMN_NAME_BUFFER = 1000;

// Whether SQLGetData may read any column, bound or not, in any order.
bool ReadsInAnyOrder(const CDatabase& database) {
    SQLUINTEGER extensions = 0;
    const SQLRETURN result = CallDriver(SQLGetInfo, database.GetConnectionHandle(), SQL_GETDATA_EXTENSIONS, &extensions,
                                        sizeof extensions, nullptr);
    const SQLUINTEGER anyOrder = SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER;
    return IsSuccess(result) && (extensions & anyOrder) == anyOrder;
}

// SQLite lets any row store any kind of value in any column, and its driver
// silently drops or cuts what does not convert to the C type asked for: its
// values are fetched as the text it holds them in.
bool ReadsStoredText(const CDatabase& database) {
    char dbmsName[64] = {};
    const SQLRETURN result =
        CallDriver(SQLGetInfo, database.GetConnectionHandle(), SQL_DBMS_NAME, dbmsName, sizeof dbmsName, nullptr);
    return IsSuccess(result) && std::strcmp(dbmsName, "SQLite") == 0;
}

bool IsIntegerType(SQLSMALLINT sqlType) {
    return sqlType == SQL_INTEGER || sqlType == SQL_SMALLINT || sqlType == SQL_TINYINT || sqlType == SQL_BIGINT;
}

// The length of a UTF-8 character by its first byte; 1 for a byte that
// starts none.
size_t CharacterLength(unsigned char lead) {
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

// A name that fills the buffer was cut at its last byte, maybe inside a
// character; the cut moves back to before that character.
void CutBeforeIncompleteCharacter(SQLCHAR* name) {
    const size_t length = std::strlen(reinterpret_cast<const char*>(name));
    if (length + 1 < static_cast<size_t>(COLUMN_NAME_BUFFER)) return;
    size_t start = length - 1;
    while (start > 0 && length - start < 4 && (name[start] & 0xC0) == 0x80) --start;
    if (start + CharacterLength(name[start]) > length) name[start] = '\0';
}

}  // namespace

CRecordSet::CRecordSet()
    : statement_(SQL_HANDLE_STMT), endOfData_(true), fetchFailed_(false), moreResults_(false) {}

CRecordSet::~CRecordSet() { Close(); }

bool CRecordSet::Open(const CDatabase& database, const char* statementText) {
    if (!Allocate(database)) return false;
    const bool storedText = ReadsStoredText(database);
    const bool readsInAnyOrder = ReadsInAnyOrder(database);
    const SQLRETURN result = Execute(database, statementText, storedText, readsInAnyOrder);
    if (!IsSuccess(result) && !IsNoData(result)) return false;
    // Procedures and multi-statements know their columns only once they ran.
    // The PostgreSQL driver describes a prepared statement after execution
    // as it was before a table changed, so what prepare told stays.
    if (fields_.empty()) {
        if (!SkipResultsWithoutColumns()) return false;
        DescribeFields(storedText);
        BindFields(readsInAnyOrder);
    }
    Fetch();
    return true;
}

// A prepared statement's columns are described and bound before it runs.
short CRecordSet::Execute(const CDatabase& database, const char* statementText, bool storedText,
                          bool readsInAnyOrder) {
    SQLCHAR* text = reinterpret_cast<SQLCHAR*>(const_cast<char*>(statementText));
    if (IsSuccess(CallDriver(SQLPrepare, statement_.Get(), text, SQL_NTS))) {
        DescribeFields(storedText);
        BindFields(readsInAnyOrder);
        return CallDriver(SQLExecute, statement_.Get());
    }
    // The MariaDB driver prepares a batch as a whole, so a statement that uses
    // a table an earlier one creates fails there; run directly, it works. A
    // statement wrong in itself fails again, and only these diagnostics stay.
    // The MariaDB driver crashes when the handle of a failed prepare runs a
    // statement, hence a fresh one.
    if (!Allocate(database)) return SQL_ERROR;
    return CallDriver(SQLExecDirect, statement_.Get(), text, SQL_NTS);
}

// A create or an insert before the query gives a result without columns.
bool CRecordSet::SkipResultsWithoutColumns() {
    for (;;) {
        SQLSMALLINT count = 0;
        if (!IsSuccess(CallDriver(SQLNumResultCols, statement_.Get(), &count))) return false;
        if (count > 0) return true;
        const SQLRETURN result = CallDriver(SQLMoreResults, statement_.Get());
        if (IsNoData(result)) return true;
        if (!IsSuccess(result)) return false;
    }
}

// Looks past the end of the exported result for another one with columns,
// whose rows would otherwise be lost unseen.
void CRecordSet::CheckForMoreResults() {
    for (;;) {
        SQLRETURN result = CallDriver(SQLMoreResults, statement_.Get());
        if (IsNoData(result)) return;
        // A result whose columns cannot be counted may have some.
        SQLSMALLINT count = 0;
        if (IsSuccess(result)) result = CallDriver(SQLNumResultCols, statement_.Get(), &count);
        if (!IsSuccess(result)) {
            fetchFailed_ = true;
            savedError_ = GetDiagnosticText(SQL_HANDLE_STMT, statement_.Get());
            return;
        }
        if (count > 0) {
            moreResults_ = true;
            return;
        }
    }
}

bool CRecordSet::Allocate(const CDatabase& database) {
    Close();
    if (!IsSuccess(statement_.Allocate(database.GetConnectionHandle()))) {
        savedError_ = GetDiagnosticText(SQL_HANDLE_DBC, database.GetConnectionHandle());
        return false;
    }
    SetCursorOptions(statement_.Get());
    CallDriver(SQLSetStmtAttr, statement_.Get(), SQL_ATTR_ROW_BIND_TYPE,
               reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_BIND_BY_COLUMN)), 0);
    return true;
}

void CRecordSet::DescribeFields(bool storedText) {
    SQLSMALLINT count = 0;
    CallDriver(SQLNumResultCols, statement_.Get(), &count);
    if (count <= 0) return;
    fields_.reserve(static_cast<size_t>(count));
    for (SQLUSMALLINT number = 1; number <= static_cast<SQLUSMALLINT>(count); ++number) {
        // A column the driver cannot describe is read as unnamed text of unknown size.
        SQLCHAR name[COLUMN_NAME_BUFFER] = {};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT dataType = SQL_UNKNOWN_TYPE;
        SQLULEN columnSize = 0;
        SQLSMALLINT decimalDigits = 0;
        SQLSMALLINT nullable = 0;
        CallDriver(SQLDescribeCol, statement_.Get(), number, name, COLUMN_NAME_BUFFER, &nameLength, &dataType,
                   &columnSize, &decimalDigits, &nullable);
        CutBeforeIncompleteCharacter(name);
        // An integer whose sign the driver cannot tell is read as its text, exact either way.
        SQLLEN isUnsigned = SQL_FALSE;
        if (IsIntegerType(dataType) && !IsSuccess(CallDriver(SQLColAttribute, statement_.Get(), number,
                                                              SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned))) {
            dataType = SQL_UNKNOWN_TYPE;
        }
        const SColumnDescription column = {reinterpret_cast<const char*>(name), dataType, columnSize,
                                           isUnsigned == SQL_TRUE, storedText};
        fields_.push_back(std::make_unique<CField>(statement_.Get(), number, column));
    }
}

// Many drivers let SQLGetData read only columns after the last bound one, in
// increasing order. For them binding stops at the first column left unbound.
void CRecordSet::BindFields(bool readsInAnyOrder) {
    bool mayBind = true;
    for (const std::unique_ptr<CField>& field : fields_) {
        if (mayBind && field->WantsBinding(readsInAnyOrder) && field->Bind()) continue;
        mayBind = readsInAnyOrder;
    }
}

void CRecordSet::MoveNext() {
    if (!endOfData_) Fetch();
}

// SQL_FETCH_NEXT also fetches the first row: it is valid on every cursor
// type, also when the driver substituted a forward-only cursor.
void CRecordSet::Fetch() {
    for (const std::unique_ptr<CField>& field : fields_) field->ResetForRow();
    SQLULEN rowCount = 0;
    SQLUSMALLINT rowStatus = SQL_ROW_SUCCESS;
    const SQLRETURN result = CallDriver(SQLExtendedFetch, statement_.Get(), SQL_FETCH_NEXT, 1, &rowCount, &rowStatus);
    endOfData_ = !IsSuccess(result) || rowStatus == SQL_ROW_ERROR;
    if (IsNoData(result) && !fields_.empty()) CheckForMoreResults();
    // A statement without result columns has no cursor: drivers answer its
    // first fetch with an error, and that is an empty result.
    if (!endOfData_ || IsNoData(result) || fields_.empty()) return;
    fetchFailed_ = true;
    savedError_ = GetDiagnosticText(SQL_HANDLE_STMT, statement_.Get());
}

CStr CRecordSet::GetErrorText() const {
    if (!savedError_.IsEmpty()) return savedError_;
    return GetDiagnosticText(SQL_HANDLE_STMT, statement_.Get());
}

void CRecordSet::Close() {
    // The statement goes first: the driver holds the addresses of the fields' buffers.
    statement_.Free();
    fields_.clear();
    endOfData_ = true;
    fetchFailed_ = false;
    moreResults_ = false;
    // Release, not an assignment: closing runs in the destructor, also while
    // running out of memory unwinds, and must allocate nothing.
    savedError_.Release();
}
