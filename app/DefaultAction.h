#ifndef QUILLET_APP_DEFAULTACTION_H
#define QUILLET_APP_DEFAULTACTION_H

// POSIX systems only. For a signal handler that has done its part and leaves
// the signal to end the process as it would have without it: the signal's
// default action is restored and the signal raised anew, to be delivered once
// the handler returns. Uses only async-signal-safe calls.
void RaiseWithDefaultAction(int signal);

#endif
