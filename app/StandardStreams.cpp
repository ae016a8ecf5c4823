#include "app/StandardStreams.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

// /dev/null opened read-only: reads find the end at once and writes fail.
// open() returns the lowest free descriptor, the closed one, as every one
// below it is open by then.
void OccupyClosedStandardStreams() {
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) open("/dev/null", O_RDONLY);
    }
}
#else
void OccupyClosedStandardStreams() {}
#endif
