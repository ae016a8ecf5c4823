#ifndef QUILLET_APP_EXITSTATUS_H
#define QUILLET_APP_EXITSTATUS_H

// The program's exit statuses.
constexpr int EXIT_STATUS_OK = 0;       // an export written whole, or the help asked for
constexpr int EXIT_STATUS_FAILURE = 1;  // a run that failed, out of memory, or a driver's crash
constexpr int EXIT_STATUS_USAGE = 2;    // a command line that starts no export

#endif
