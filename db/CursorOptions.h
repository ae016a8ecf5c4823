#ifndef QUILLET_DB_CURSOROPTIONS_H
#define QUILLET_DB_CURSOROPTIONS_H

// Asks for the cursor every statement of the program uses: forward-only and
// read-only, as an export reads each row once. The PostgreSQL driver emulates
// a scrollable or updatable cursor by rewriting the statement with row
// identifiers, which breaks LIMIT, views and a second result; the SQLite
// driver streams rows (StepAPI=1) only on a forward-only cursor. These are the
// ODBC defaults, set all the same, as a driver manager may keep other ones.
void SetCursorOptions(void* statement);

#endif
