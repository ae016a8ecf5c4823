#ifndef QUILLET_APP_LIBRARYCRASHREPORT_H
#define QUILLET_APP_LIBRARYCRASHREPORT_H

// The PostgreSQL ODBC driver (psqlodbca 13.02) can dereference a null pointer
// inside SQLExtendedFetch when the server goes away in the middle of a result
// fetched in chunks. Once installed, a fatal signal raised in code outside
// Quillet's own executable (a driver, the driver manager, a system library)
// ends the run with a message and exit status 1 instead of a bare crash. A
// fault in Quillet's own code is passed on untouched to whatever handled it
// before (the default action, or a sanitizer's report).
void InstallLibraryCrashReport();

#endif
