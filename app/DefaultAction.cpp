#include "app/DefaultAction.h"

#include <signal.h>

#include <cstring>

void RaiseWithDefaultAction(int signal) {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}
