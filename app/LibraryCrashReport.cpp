#include "app/LibraryCrashReport.h"

#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

// Bounds of the executable's code, provided by the GNU linker.
extern "C" const char __executable_start;
extern "C" const char etext;

namespace {

const int REPORTED_SIGNALS[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
struct sigaction previousActions[sizeof REPORTED_SIGNALS / sizeof REPORTED_SIGNALS[0]];

// Null when the platform's context layout is unknown.
const void* FaultingInstruction(const void* context) {
    const ucontext_t* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return reinterpret_cast<const void*>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return reinterpret_cast<const void*>(uc->uc_mcontext.pc);
#else
    (void)uc;
    return nullptr;
#endif
}

bool IsOwnCode(const void* instruction) {
    const uintptr_t pc = reinterpret_cast<uintptr_t>(instruction);
    return pc >= reinterpret_cast<uintptr_t>(&__executable_start) && pc < reinterpret_cast<uintptr_t>(&etext);
}

void WriteMessage(const char* text) {
    // Only write(2) may be used here; a short write is all that can go wrong.
    const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

void RestorePreviousAction(int signal) {
    for (size_t i = 0; i < sizeof REPORTED_SIGNALS / sizeof REPORTED_SIGNALS[0]; ++i) {
        if (REPORTED_SIGNALS[i] == signal) sigaction(signal, &previousActions[i], nullptr);
    }
}

void OnFatalSignal(int signal, siginfo_t*, void* context) {
    const void* instruction = FaultingInstruction(context);
    if (instruction == nullptr || IsOwnCode(instruction)) {
        // Returning re-runs the faulting instruction under the previous action.
        RestorePreviousAction(signal);
        return;
    }
    WriteMessage("- The ODBC driver or another library crashed.\n");
    WriteMessage("Could not complete the export.\n\n");
    _exit(1);
}

}  // namespace

void InstallLibraryCrashReport() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < sizeof REPORTED_SIGNALS / sizeof REPORTED_SIGNALS[0]; ++i) {
        sigaction(REPORTED_SIGNALS[i], &action, &previousActions[i]);
    }
}
