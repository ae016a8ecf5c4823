#include "app/ConsoleCodePages.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// Shared with the console's control handler, which runs on a thread of its own.
volatile UINT savedInputCodePage = 0;
volatile UINT savedOutputCodePage = 0;

void RestoreCodePages() {
    if (savedInputCodePage != 0) SetConsoleCP(savedInputCodePage);
    if (savedOutputCodePage != 0) SetConsoleOutputCP(savedOutputCodePage);
}

// Returns FALSE so that the default handler still ends the program.
BOOL WINAPI RestoreAtControlEvent(DWORD) {
    RestoreCodePages();
    return FALSE;
}

}  // namespace

// Without a console both code pages read as 0 and nothing is changed.
CConsoleCodePages::CConsoleCodePages() {
    savedInputCodePage = GetConsoleCP();
    savedOutputCodePage = GetConsoleOutputCP();
    if (savedInputCodePage == 0 && savedOutputCodePage == 0) return;
    SetConsoleCtrlHandler(RestoreAtControlEvent, TRUE);
    SetConsoleCP(CP_UTF8);
    SetConsoleOutputCP(CP_UTF8);
}

CConsoleCodePages::~CConsoleCodePages() {
    RestoreCodePages();
    SetConsoleCtrlHandler(RestoreAtControlEvent, FALSE);
}
