#include "app/LibraryCrashReport.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

#include "app/ExitStatus.h"
#include "app/ProgressLine.h"
#include "db/DriverCallMark.h"

// The Windows form of the crash report: an unhandled-exception filter in
// place of signal handlers. No other process can raise an exception in this
// one, so every exception seen here is a fault.
namespace {

LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

// Room left on a thread's stack for the filter once the stack has overflowed.
constexpr ULONG FILTER_STACK_BYTES = 64 * 1024;

bool IsFatal(DWORD code) {
    return code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_STACK_OVERFLOW ||
           code == EXCEPTION_ILLEGAL_INSTRUCTION || code == EXCEPTION_PRIV_INSTRUCTION ||
           code == EXCEPTION_IN_PAGE_ERROR || code == EXCEPTION_INT_DIVIDE_BY_ZERO ||
           code == EXCEPTION_DATATYPE_MISALIGNMENT;
}

// Standard error keeps the platform's line ends.
void WriteMessage() {
    EraseProgressLineInHandler();
    const HANDLE standardError = GetStdHandle(STD_ERROR_HANDLE);
    for (const char* line : LIBRARY_CRASH_LINES) {
        DWORD written = 0;
        WriteFile(standardError, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
        WriteFile(standardError, "\r\n", 2, &written, nullptr);
    }
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    if (!IsFatal(exception->ExceptionRecord->ExceptionCode) || !CDriverCallMark::IsSet()) {
        return previousFilter != nullptr ? previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
    }
    WriteMessage();
    TerminateProcess(GetCurrentProcess(), EXIT_STATUS_FAILURE);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void InstallLibraryCrashReport() {
    ULONG reserve = FILTER_STACK_BYTES;
    SetThreadStackGuarantee(&reserve);
    previousFilter = SetUnhandledExceptionFilter(OnUnhandledException);
}
