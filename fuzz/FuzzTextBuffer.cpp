// Drives a text buffer with a sequence of operations and mirrors each in a
// std::string; the two must always agree, and capacity must cover the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "text/TextBuffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTextBuffer buffer("", 1 + (size > 0 ? data[0] % 64 : 0));
    std::string mirror;
    size_t i = 1;
    while (i + 1 < size) {
        const uint8_t op = data[i] % 5;
        const size_t n = data[i + 1];
        i += 2;
        const size_t take = n < size - i ? n : size - i;
        std::string piece(reinterpret_cast<const char*>(data + i), take);
        piece = piece.substr(0, std::strlen(piece.c_str()));  // texts end at NUL
        i += take;
        switch (op) {
            case 0: buffer.AppendText(piece.c_str()); mirror += piece; break;
            case 1: buffer.AppendChar(static_cast<char>(n)); if (n != 0) mirror += static_cast<char>(n); break;
            case 2: buffer.SetText(piece.c_str()); mirror = piece; break;
            case 3: {  // a source inside the buffer's own text
                const size_t from = mirror.empty() ? 0 : n % mirror.size();
                buffer.AppendText(buffer.Text() + from);
                mirror += mirror.substr(from);
                break;
            }
            default: {
                const size_t from = mirror.empty() ? 0 : n % mirror.size();
                buffer.SetText(buffer.Text() + from);
                mirror = mirror.substr(from);
                break;
            }
        }
        if (buffer.Length() != mirror.size() || mirror != buffer.Text()) std::abort();
        if (buffer.Capacity() < buffer.Length() + 1) std::abort();
        if (mirror.size() > (1u << 20)) break;
    }
    return 0;
}
