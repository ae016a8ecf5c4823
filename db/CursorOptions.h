#ifndef QUILLET_DB_CURSOROPTIONS_H
#define QUILLET_DB_CURSOROPTIONS_H

// Asks for the cursor every statement of the program uses: keyset-driven or
// better dynamic, with optimistic concurrency by values. A driver that cannot
// offer one substitutes another, so the results are not examined.
void SetCursorOptions(void* statement);

#endif
