#include "app/LibraryCrashReport.h"

#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "db/DriverCallMark.h"

namespace {

const char* const LIBRARY_CRASH = "- The ODBC driver or another library crashed.\r?\nCould not complete the export.";

void CrashInTheLibrary() {
    const HMODULE library = LoadLibraryA(QUILLET_CRASHING_LIBRARY);
    ASSERT_NE(library, nullptr);
    const auto crash = reinterpret_cast<void (*)()>(reinterpret_cast<void*>(GetProcAddress(library, "CrashInLibrary")));
    ASSERT_NE(crash, nullptr);
    crash();
}

void CrashInOwnCode() {
    volatile int* volatile nothing = nullptr;
    *nothing = 1;
}

bool KilledByTheFault(int status) { return static_cast<DWORD>(status) == EXCEPTION_ACCESS_VIOLATION; }

TEST(LibraryCrashReport, CrashInALibraryDuringDriverCallsEndsTheRunWithAMessageAndStatusOne) {
    EXPECT_EXIT(
        {
            InstallLibraryCrashReport();
            const CDriverCallMark mark;
            CrashInTheLibrary();
        },
        testing::ExitedWithCode(1), LIBRARY_CRASH);
}

TEST(LibraryCrashReport, CrashInALibraryOutsideDriverCallsIsLeftToWindows) {
    EXPECT_EXIT(
        {
            InstallLibraryCrashReport();
            CrashInTheLibrary();
        },
        KilledByTheFault, "");
}

TEST(LibraryCrashReport, CrashInOwnCodeIsLeftToWindows) {
    EXPECT_EXIT(
        {
            InstallLibraryCrashReport();
            CrashInOwnCode();
        },
        KilledByTheFault, "");
}

}  // namespace
