#ifndef QUILLET_APP_TERMINALTEXT_H
#define QUILLET_APP_TERMINALTEXT_H

#include "text/Str.h"

// Text that came from the database or the command line, as standard error
// should get it. On a terminal, control characters are written escaped, so
// that a value a server quotes back cannot set the window title or clear the
// screen; to a file or a pipe the bytes go verbatim, as the driver gave them.
CStr ForStandardError(const char* text);

// Every control character but line feed and tab written as "\x" and two
// lower-case hex digits, and so both bytes of a C1 control in UTF-8
// (U+0080 to U+009F), which terminals may obey as well.
CStr EscapeControlCharacters(const char* text);

#endif
