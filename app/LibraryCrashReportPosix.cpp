#include "app/LibraryCrashReport.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "app/DefaultAction.h"
#include "app/ExitStatus.h"

namespace {

#ifdef QUILLET_SANITIZED_BUILD
constexpr bool SANITIZED_BUILD = true;
#else
constexpr bool SANITIZED_BUILD = false;
#endif

const int REPORTED_SIGNALS[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
struct sigaction previousActions[sizeof REPORTED_SIGNALS / sizeof REPORTED_SIGNALS[0]];

// Large enough for the handler on every platform's signal frame.
alignas(16) char handlerStack[64 * 1024];

// kill(2), sigqueue(3) and tgkill(2) (raise) say so; a fault the kernel
// raised for an instruction never does.
bool WasSent(const siginfo_t* info) {
    return info->si_code == SI_USER || info->si_code == SI_QUEUE || info->si_code == SI_TKILL;
}

// Only write(2) may be used here; a short write is all that can go wrong.
void WriteToStandardError(const char* bytes, size_t length) {
    const ssize_t ignored = write(STDERR_FILENO, bytes, length);
    (void)ignored;
}

void RestorePreviousAction(int signal) {
    for (size_t i = 0; i < sizeof REPORTED_SIGNALS / sizeof REPORTED_SIGNALS[0]; ++i) {
        if (REPORTED_SIGNALS[i] == signal) sigaction(signal, &previousActions[i], nullptr);
    }
}

void OnFatalSignal(int signal, siginfo_t* info, void*) {
    if (WasSent(info)) {
        // Returning from the handler would not send a sent signal again.
        RaiseWithDefaultAction(signal);
        return;
    }
    if (!IsLibraryFault()) {
        // Returning re-runs the faulting instruction under the previous action.
        RestorePreviousAction(signal);
        return;
    }
    WriteLibraryCrashReport(WriteToStandardError, "\n");
    _exit(EXIT_STATUS_FAILURE);
}

}  // namespace

void InstallLibraryCrashReport() {
    if (SANITIZED_BUILD) return;
    stack_t handlerStackInfo;
    std::memset(&handlerStackInfo, 0, sizeof handlerStackInfo);
    handlerStackInfo.ss_sp = handlerStack;
    handlerStackInfo.ss_size = sizeof handlerStack;
    sigaltstack(&handlerStackInfo, nullptr);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < sizeof REPORTED_SIGNALS / sizeof REPORTED_SIGNALS[0]; ++i) {
        sigaction(REPORTED_SIGNALS[i], &action, &previousActions[i]);
    }
}
