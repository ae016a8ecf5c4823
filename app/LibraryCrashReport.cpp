#include "app/LibraryCrashReport.h"

#include <dlfcn.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstring>

#include "app/ExitStatus.h"

namespace {

#ifdef QUILLET_SANITIZED_BUILD
constexpr bool SANITIZED_BUILD = true;
#else
constexpr bool SANITIZED_BUILD = false;
#endif

const int REPORTED_SIGNALS[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
struct sigaction previousActions[sizeof REPORTED_SIGNALS / sizeof REPORTED_SIGNALS[0]];

// Large enough for the handler and dladdr on every platform's signal frame.
alignas(16) char handlerStack[64 * 1024];

volatile sig_atomic_t openScopes = 0;

// Libraries whose faults are most likely our own bad arguments.
const char* const RUNTIMES[] = {"libc.so", "libm.so", "libstdc++.so", "libgcc_s.so", "ld-linux"};

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

bool IsRuntime(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* name = slash != nullptr ? slash + 1 : path;
    for (const char* runtime : RUNTIMES) {
        if (std::strncmp(name, runtime, std::strlen(runtime)) == 0) return true;
    }
    return false;
}

// dladdr is not async-signal-safe by the letter; the loader lock it takes is
// recursive in glibc, and the process ends right after either way.
bool IsDriverCode(const void* instruction) {
    Dl_info fault;
    Dl_info own;
    if (instruction == nullptr || dladdr(instruction, &fault) == 0 || fault.dli_fname == nullptr) return false;
    if (dladdr(handlerStack, &own) != 0 && own.dli_fbase == fault.dli_fbase) return false;
    return !IsRuntime(fault.dli_fname);
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
    if (openScopes == 0 || !IsDriverCode(FaultingInstruction(context))) {
        // Returning re-runs the faulting instruction under the previous action.
        RestorePreviousAction(signal);
        return;
    }
    WriteMessage("- The ODBC driver or another library crashed.\n");
    WriteMessage("Could not complete the export.\n\n");
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

CDriverCallScope::CDriverCallScope() { openScopes = openScopes + 1; }

CDriverCallScope::~CDriverCallScope() { openScopes = openScopes - 1; }
