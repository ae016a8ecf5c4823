#include "db/OdbcHandle.h"

#include "db/OdbcApi.h"

COdbcHandle::COdbcHandle(short handleType) : type(handleType), handle(nullptr) {}

COdbcHandle::~COdbcHandle() { Free(); }

short COdbcHandle::Allocate(void* parent) {
    Free();
    switch (type) {
        case SQL_HANDLE_ENV:
            return CallDriver(SQLAllocEnv, &handle);
        case SQL_HANDLE_DBC:
            return CallDriver(SQLAllocConnect, parent, &handle);
        default:
            return CallDriver(SQLAllocStmt, parent, &handle);
    }
}

void COdbcHandle::Free() {
    if (handle == nullptr) return;
    switch (type) {
        case SQL_HANDLE_ENV:
            CallDriver(SQLFreeEnv, handle);
            break;
        case SQL_HANDLE_DBC:
            CallDriver(SQLFreeConnect, handle);
            break;
        default:
            CallDriver(SQLFreeStmt, handle, SQL_DROP);
            break;
    }
    handle = nullptr;
}
