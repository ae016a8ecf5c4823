#include "db/OdbcHandle.h"

#include "db/OdbcApi.h"

COdbcHandle::COdbcHandle(short handleType) : type(handleType), handle(nullptr) {}

COdbcHandle::~COdbcHandle() { Free(); }

short COdbcHandle::Allocate(void* parent) {
    Free();
    switch (type) {
        case SQL_HANDLE_ENV:
            return SQLAllocEnv(&handle);
        case SQL_HANDLE_DBC:
            return SQLAllocConnect(parent, &handle);
        default:
            return SQLAllocStmt(parent, &handle);
    }
}

void COdbcHandle::Free() {
    if (handle == nullptr) return;
    switch (type) {
        case SQL_HANDLE_ENV:
            SQLFreeEnv(handle);
            break;
        case SQL_HANDLE_DBC:
            SQLFreeConnect(handle);
            break;
        default:
            SQLFreeStmt(handle, SQL_DROP);
            break;
    }
    handle = nullptr;
}
