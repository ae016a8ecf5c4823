#ifndef QUILLET_CSV_CSVFIELD_H
#define QUILLET_CSV_CSVFIELD_H

#include <cstddef>

#include "text/Str.h"
#include "text/TextBuffer.h"

// The characters that end a line of CSV text: NUL, LF and CR.
bool IsLineBreakOrEnd(char c);

// A field is enclosed in double quotes, its inner quotes doubled, when it
// holds a double quote, a CR, an LF or a character of the separator; any
// other text, blanks at either end included, is written as it is. Quoting
// line breaks keeps one record on one logical line for every CSV reader.
void EscapeField(CStr& text, const char* separator = ",");

// Whether a text of n bytes needs the quotes: it holds a double quote, a CR,
// an LF or a character of the separator.
bool NeedsQuotes(const char* text, size_t n, const char* separator, size_t separatorLength);

// Appends the escaped form of the first n characters of text to out without
// an intermediate copy. REQUIRES: text does not lie in out.
void AppendEscapedField(CTextBuffer& out, const char* text, size_t n, const char* separator);

// The same written at out, which has room for EscapedFieldBound(n) bytes,
// for a separator of separatorLength bytes; returns the end of what was written.
char* PutEscapedField(char* out, const char* text, size_t n, const char* separator, size_t separatorLength);
inline size_t EscapedFieldBound(size_t n) { return 2 * n + 2; }

// Removes a double quote at either end (each independently) and undoubles
// inner pairs; a text without any double quote is left as it is.
void UnescapeField(CStr& text);

// Cuts the next raw field, quotes kept, off the line at cursor. The field ends
// at the end of the text, at a CR or LF (even inside quotes) or at the separator
// outside quotes; the cursor then moves past that separator or that single
// line-break character. An empty separator never matches.
void SplitField(const char*& cursor, CStr& result, const char* separator);

#endif
