#ifndef QUILLET_DB_DIAGNOSTICS_H
#define QUILLET_DB_DIAGNOSTICS_H

#include "text/Str.h"

// The one place that judges ODBC return codes and reads diagnostic records.
// Return codes and handle types are the ODBC values (SQLRETURN, SQL_HANDLE_*).

// True for SQL_SUCCESS and SQL_SUCCESS_WITH_INFO.
bool IsSuccess(short returnCode);
// True for SQL_NO_DATA.
bool IsNoData(short returnCode);

// Every diagnostic record of one handle, one line each:
// "[" state "] " native error " - " message, lines joined by "\n", no newline
// after the last (nor at the end of a message). A message cut to 255
// characters ends the list; the PostgreSQL driver instead gives the rest of
// a long message as further records. A null handle gives the empty text.
CStr GetDiagnosticText(short handleType, void* handle);

#endif
