#ifndef QUILLET_APP_LIBRARYCRASHREPORT_H
#define QUILLET_APP_LIBRARYCRASHREPORT_H

#include <cstddef>

// The PostgreSQL ODBC driver (psqlodbca 13.02) can dereference a null pointer
// inside SQLExtendedFetch when the server goes away in the middle of a result
// fetched in chunks. Once installed, a fault raised while a call into the
// driver manager is under way (CDriverCallMark, db/DriverCallMark.h) ends the
// run with a message and exit status 1 instead of a bare crash, wherever the
// faulting instruction lies: a driver may jump to address 0 or overflow its
// stack inside the C library. A fault outside those calls is Quillet's own
// and is passed on untouched to whatever handled it before, and a fault
// signal that another process sent is not a crash at all: it ends the
// process by that signal. The handler runs on a stack of its own, so a
// driver that overflows the stack is reported as well. The sanitizer build
// installs nothing, so the sanitizers' reports stay whole.
void InstallLibraryCrashReport();

// What the POSIX signal handler and the Windows exception filter share. Both
// run in a process that may be broken: neither allocates nor takes a lock.

// A fault is the driver's or another library's, and reported, only while a
// call into the driver manager is under way; any other is Quillet's own.
bool IsLibraryFault();
// Erases the status line, then writes the report through writeBytes, each
// line ended by the platform's lineEnd.
void WriteLibraryCrashReport(void (*writeBytes)(const char* bytes, size_t length), const char* lineEnd);

#endif
