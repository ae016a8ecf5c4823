#include "app/LibraryCrashReport.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/wait.h>

#include <cstring>

namespace {

volatile int sink;

// A page that may not be read: a fault, but no null pointer for the sanitizers to flag.
const char* UnreadablePage() {
    return static_cast<const char*>(mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
}

// strverscmp is not wrapped by the sanitizers, so the fault happens inside libc.
int FaultInsideALibrary() { return strverscmp(UnreadablePage(), "x"); }

int FaultInOwnCode() { return *reinterpret_cast<const volatile char*>(UnreadablePage()); }

bool KilledBySomeSignal(int status) { return WIFSIGNALED(status); }

}  // namespace

TEST(LibraryCrashReport, CrashInALibraryEndsTheRunWithAMessageAndStatusOne) {
    EXPECT_EXIT(
        {
            InstallLibraryCrashReport();
            sink = FaultInsideALibrary();
        },
        testing::ExitedWithCode(1), "- The ODBC driver or another library crashed.\nCould not complete the export.");
}

TEST(LibraryCrashReport, CrashInOwnCodeIsLeftToThePreviousHandler) {
    EXPECT_EXIT(
        {
            InstallLibraryCrashReport();
            sink = FaultInOwnCode();
        },
        KilledBySomeSignal, "");
}
