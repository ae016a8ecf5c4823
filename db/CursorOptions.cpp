#include "db/CursorOptions.h"

#include "db/OdbcApi.h"

void SetCursorOptions(void* statement) {
    SQLSetStmtOption(statement, SQL_CURSOR_TYPE, SQL_CURSOR_KEYSET_DRIVEN);
    SQLSetStmtOption(statement, SQL_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
    SQLSetStmtOption(statement, SQL_CONCURRENCY, SQL_CONCUR_VALUES);
}
