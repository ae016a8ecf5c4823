#ifndef QUILLET_CSV_CSVFIELD_H
#define QUILLET_CSV_CSVFIELD_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "text/Str.h"
#include "text/TextBuffer.h"

// The characters that end a line of CSV text: NUL, LF and CR.
bool IsLineBreakOrEnd(char c);

// A field is enclosed in double quotes, its inner quotes doubled, when it
// holds a double quote, a CR, an LF or a character of the separator; any
// other text, blanks at either end included, is written as it is. Quoting
// line breaks keeps one record on one logical line for every CSV reader.
void EscapeField(CStr& text, const char* separator = ",");

// Copies n bytes, sizeof(Word) <= n <= 2 * sizeof(Word), as two words that may overlap.
template <typename Word>
inline void CopyAsTwoWords(char* out, const char* text, size_t n) {
    Word head;
    Word tail;
    std::memcpy(&head, text, sizeof head);
    std::memcpy(&tail, text + n - sizeof tail, sizeof tail);
    std::memcpy(out, &head, sizeof head);
    std::memcpy(out + n - sizeof tail, &tail, sizeof tail);
}

// Sixteen bytes, which compilers move as one vector register.
struct SSixteenBytes {
    uint64_t low;
    uint64_t high;
};

// Copies n bytes to out and returns their end. Values are mostly short: up
// to 32 bytes move as two words, or one to three single bytes, rather than
// through a call of memcpy.
inline char* PutBytes(char* out, const char* text, size_t n) {
    if (n > 2 * sizeof(SSixteenBytes)) {
        std::memcpy(out, text, n);
    } else if (n > 2 * sizeof(uint64_t)) {
        CopyAsTwoWords<SSixteenBytes>(out, text, n);
    } else if (n >= sizeof(uint64_t)) {
        CopyAsTwoWords<uint64_t>(out, text, n);
    } else if (n >= sizeof(uint32_t)) {
        CopyAsTwoWords<uint32_t>(out, text, n);
    } else if (n != 0) {
        // The first, the middle and the last byte cover up to three.
        const char first = text[0];
        const char middle = text[n / 2];
        const char last = text[n - 1];
        out[0] = first;
        out[n / 2] = middle;
        out[n - 1] = last;
    }
    return out + n;
}

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
