#include "app/LibraryCrashReport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "db/Database.h"
#include "db/DriverCallMark.h"
#include "db/RecordSet.h"

namespace {

const char* const DRIVER_CRASH = "- The ODBC driver or another library crashed.\nCould not complete the export.";

volatile int sink;

// The test driver's SQLExecute recurses until the stack overflows.
void OverflowTheStackInTheDriver() {
    CDatabase database;
    CRecordSet recordSet;
    if (database.Connect("Driver=" QUILLET_TEST_DRIVER)) recordSet.Open(database, "select * from stack_overflow");
}

// A page that may not be read: a fault, but no null pointer for the compiler to see.
const char* UnreadablePage() {
    return static_cast<const char*>(mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
}

void PassANullPointerToStrlen() {
    const char* volatile nothing = nullptr;
    sink = static_cast<int>(std::strlen(nothing));
}

void FaultInOwnCode() { sink = *reinterpret_cast<const volatile char*>(UnreadablePage()); }

bool KilledBySomeSignal(int status) { return WIFSIGNALED(status); }

class LibraryCrashReport : public testing::Test {
protected:
    void SetUp() override {
#ifdef QUILLET_SANITIZED_BUILD
        GTEST_SKIP() << "the sanitizer build leaves crashes to the sanitizers";
#endif
    }
};

TEST_F(LibraryCrashReport, StackOverflowInTheDriverEndsTheRunWithAMessageAndStatusOne) {
    EXPECT_EXIT(
        {
            InstallLibraryCrashReport();
            OverflowTheStackInTheDriver();
        },
        testing::ExitedWithCode(1), DRIVER_CRASH);
}

// Where the program is decides, not where the faulting instruction lies.
TEST_F(LibraryCrashReport, FaultInTheCRuntimeDuringADriverCallIsReported) {
    EXPECT_EXIT(
        {
            InstallLibraryCrashReport();
            const CDriverCallMark mark;
            PassANullPointerToStrlen();
        },
        testing::ExitedWithCode(1), DRIVER_CRASH);
}

// The fault lands in the C runtime, but the bad pointer is ours.
TEST_F(LibraryCrashReport, OwnNullPointerToStrlenIsNotBlamedOnALibrary) {
    EXPECT_EXIT(
        {
            InstallLibraryCrashReport();
            PassANullPointerToStrlen();
        },
        KilledBySomeSignal, "");
}

TEST_F(LibraryCrashReport, CrashInOwnCodeIsLeftToThePreviousHandler) {
    EXPECT_EXIT(
        {
            InstallLibraryCrashReport();
            FaultInOwnCode();
        },
        KilledBySomeSignal, "");
}

// kill gives SI_USER, sigqueue SI_QUEUE, raise SI_TKILL.
TEST_F(LibraryCrashReport, SentFaultSignalEndsTheProcessByThatSignalEvenDuringADriverCall) {
    void (*const senders[])(int) = {[](int signal) { kill(getpid(), signal); },
                                    [](int signal) { sigqueue(getpid(), signal, sigval()); },
                                    [](int signal) { raise(signal); }};
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        for (const auto send : senders) {
            EXPECT_EXIT(
                {
                    InstallLibraryCrashReport();
                    const CDriverCallMark mark;
                    send(signal);
                },
                testing::KilledBySignal(signal), "")
                << signal;
        }
    }
}

}  // namespace
