// A stranger's odbc32.dll, planted beside the program: once loaded it ends
// the process at once with a status of its own.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

constexpr UINT PLANTED_LIBRARY_STATUS = 77;

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) TerminateProcess(GetCurrentProcess(), PLANTED_LIBRARY_STATUS);
    return TRUE;
}
