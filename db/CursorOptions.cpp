#include "db/CursorOptions.h"

#include "db/OdbcApi.h"

void SetCursorOptions(void* statement) {
    CallDriver(SQLSetStmtOption, statement, SQL_CURSOR_TYPE, SQL_CURSOR_FORWARD_ONLY);
    CallDriver(SQLSetStmtOption, statement, SQL_CONCURRENCY, SQL_CONCUR_READ_ONLY);
}
