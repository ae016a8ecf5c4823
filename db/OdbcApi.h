#ifndef QUILLET_DB_ODBCAPI_H
#define QUILLET_DB_ODBCAPI_H

// The ODBC headers, for db/ sources only. On Windows they rely on the types
// of <windows.h>, which must come first; its min and max macros would break
// the standard library, and libstdc++ may already have asked for them off.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include <sql.h>
#include <sqlext.h>

#include <utility>

#include "db/DriverCallMark.h"

// Every call into the driver manager goes through here, marked for its span:
// CallDriver(SQLExecute, statement) in place of SQLExecute(statement).
template <typename... Params, typename... Args>
SQLRETURN CallDriver(SQLRETURN(SQL_API* function)(Params...), Args&&... args) {
    const CDriverCallMark mark;
    return function(std::forward<Args>(args)...);
}

#endif
