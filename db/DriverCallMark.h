#ifndef QUILLET_DB_DRIVERCALLMARK_H
#define QUILLET_DB_DRIVERCALLMARK_H

#include <csignal>

// Set for exactly the span of one call into the ODBC driver manager (see
// CallDriver in db/OdbcApi.h), so that a crash handler can tell where the
// program is: inside a call, any fault is the driver's or a library's it
// called, wherever the faulting instruction lies.
class CDriverCallMark {
public:
    CDriverCallMark() { depth_ = depth_ + 1; }
    CDriverCallMark(const CDriverCallMark&) = delete;
    CDriverCallMark& operator=(const CDriverCallMark&) = delete;
    ~CDriverCallMark() { depth_ = depth_ - 1; }

    // Safe to call from a signal handler.
    static bool IsSet() { return depth_ != 0; }

private:
    static inline volatile std::sig_atomic_t depth_ = 0;
};

#endif
