#include "app/LibraryCrashReport.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

#include "app/ExitStatus.h"

// The Windows form of the crash report: an unhandled-exception filter in
// place of signal handlers, the module that holds the faulting instruction in
// place of dladdr. Quillet's executable links the C++ runtime statically, so
// its own module covers that runtime as well.
namespace {

volatile LONG openScopes = 0;
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

// Room left on a thread's stack for the filter once the stack has overflowed.
constexpr ULONG FILTER_STACK_BYTES = 64 * 1024;

// Libraries whose faults are most likely our own bad arguments.
const char* const RUNTIMES[] = {"msvcrt.dll", "ucrtbase.dll", "ntdll.dll", "kernel32.dll", "kernelbase.dll"};

bool IsFatal(DWORD code) {
    return code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_STACK_OVERFLOW ||
           code == EXCEPTION_ILLEGAL_INSTRUCTION || code == EXCEPTION_PRIV_INSTRUCTION ||
           code == EXCEPTION_IN_PAGE_ERROR || code == EXCEPTION_INT_DIVIDE_BY_ZERO ||
           code == EXCEPTION_DATATYPE_MISALIGNMENT;
}

bool IsRuntime(HMODULE module) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path) return false;
    const char* name = path + length;
    while (name > path && name[-1] != '\\' && name[-1] != '/') --name;
    for (const char* runtime : RUNTIMES) {
        if (lstrcmpiA(name, runtime) == 0) return true;
    }
    return false;
}

bool IsDriverCode(const void* instruction) {
    HMODULE fault = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExA(flags, static_cast<LPCSTR>(instruction), &fault) || fault == nullptr) return false;
    return fault != GetModuleHandleA(nullptr) && !IsRuntime(fault);
}

void WriteMessage(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    if (openScopes == 0 || !IsFatal(record->ExceptionCode) || !IsDriverCode(record->ExceptionAddress)) {
        return previousFilter != nullptr ? previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
    }
    // Standard error keeps the platform's line ends.
    WriteMessage("- The ODBC driver or another library crashed.\r\n");
    WriteMessage("Could not complete the export.\r\n\r\n");
    TerminateProcess(GetCurrentProcess(), EXIT_STATUS_FAILURE);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void InstallLibraryCrashReport() {
    ULONG reserve = FILTER_STACK_BYTES;
    SetThreadStackGuarantee(&reserve);
    previousFilter = SetUnhandledExceptionFilter(OnUnhandledException);
}

CDriverCallScope::CDriverCallScope() { InterlockedIncrement(&openScopes); }

CDriverCallScope::~CDriverCallScope() { InterlockedDecrement(&openScopes); }
