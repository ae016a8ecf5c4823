#ifndef QUILLET_APP_LIBRARYCRASHREPORT_H
#define QUILLET_APP_LIBRARYCRASHREPORT_H

// The PostgreSQL ODBC driver (psqlodbca 13.02) can dereference a null pointer
// inside SQLExtendedFetch when the server goes away in the middle of a result
// fetched in chunks. Once installed, a fatal signal that is the driver's ends
// the run with a message and exit status 1 instead of a bare crash: raised
// while a CDriverCallScope is open, by code of a loaded library other than
// Quillet's own executable and the C and C++ runtimes. Any other fault (our
// own code, or our bad pointer handed to strlen or memcpy) is passed on
// untouched to whatever handled it before. The handler runs on a stack of its
// own, so a driver that overflows the stack is reported as well. The
// sanitizer build installs nothing, so the sanitizers' reports stay whole.
void InstallLibraryCrashReport();

// Open while ODBC calls may be made: only then can a crash be the driver's.
// Scopes may nest.
class CDriverCallScope {
public:
    CDriverCallScope();
    CDriverCallScope(const CDriverCallScope&) = delete;
    CDriverCallScope& operator=(const CDriverCallScope&) = delete;
    ~CDriverCallScope();
};

#endif
