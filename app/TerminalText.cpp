#include "app/TerminalText.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>

#include "text/TextBuffer.h"

namespace {

bool IsStandardErrorTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

bool IsControl(unsigned char c) { return (c < 0x20 && c != '\n' && c != '\t') || c == 0x7f; }

bool IsC1Control(const unsigned char* c) { return c[0] == 0xc2 && c[1] >= 0x80 && c[1] <= 0x9f; }

void AppendEscaped(CTextBuffer& text, unsigned char c) {
    const char digits[] = "0123456789abcdef";
    text.AppendText("\\x").AppendChar(digits[c >> 4]).AppendChar(digits[c & 0xf]);
}

}  // namespace

CStr ForStandardError(const char* text) { return IsStandardErrorTerminal() ? EscapeControlCharacters(text) : text; }

CStr EscapeControlCharacters(const char* text) {
    CTextBuffer escaped;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != '\0'; ++c) {
        if (IsC1Control(c)) {
            AppendEscaped(escaped, c[0]);
            AppendEscaped(escaped, *++c);
        } else if (IsControl(*c)) {
            AppendEscaped(escaped, *c);
        } else {
            escaped.AppendChar(static_cast<char>(*c));
        }
    }
    return CStr(escaped.Text());
}
