#include "db/OdbcHandle.h"

#include "db/OdbcApi.h"

#ifdef _WIN32
#include <delayimp.h>

// odbc32.dll is linked for loading at the first ODBC call, which is always
// an allocation here. Windows looks for it in System32 alone: a copy of it
// beside the program (or in the current folder, or on PATH) is never loaded.
// Where that search cannot be had, the load fails as if odbc32.dll were
// missing instead of falling back to the usual search.
namespace {

FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || lstrcmpiA(info->szDll, "odbc32.dll") != 0) return nullptr;
    const HMODULE library = LoadLibraryExW(L"odbc32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library == nullptr) RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 0, nullptr);
    return reinterpret_cast<FARPROC>(library);
}

}  // namespace

PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;
#endif

COdbcHandle::COdbcHandle(short handleType) : type_(handleType), handle_(nullptr) {}

COdbcHandle::~COdbcHandle() { Free(); }

short COdbcHandle::Allocate(void* parent) {
    Free();
    switch (type_) {
        case SQL_HANDLE_ENV:
            return CallDriver(SQLAllocEnv, &handle_);
        case SQL_HANDLE_DBC:
            return CallDriver(SQLAllocConnect, parent, &handle_);
        default:
            return CallDriver(SQLAllocStmt, parent, &handle_);
    }
}

void COdbcHandle::Free() {
    if (handle_ == nullptr) return;
    switch (type_) {
        case SQL_HANDLE_ENV:
            CallDriver(SQLFreeEnv, handle_);
            break;
        case SQL_HANDLE_DBC:
            CallDriver(SQLFreeConnect, handle_);
            break;
        default:
            CallDriver(SQLFreeStmt, handle_, SQL_DROP);
            break;
    }
    handle_ = nullptr;
}
