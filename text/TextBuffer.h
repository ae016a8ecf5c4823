#ifndef QUILLET_TEXT_TEXTBUFFER_H
#define QUILLET_TEXT_TEXTBUFFER_H

#include <cstddef>

// A growable 8-bit text. Each growth gives at least the needed size plus the
// grow step, and at least twice the old capacity, so appending N bytes in
// small pieces copies O(N) bytes in all. The array never shrinks.
class CTextBuffer {
public:
    static constexpr size_t DEFAULT_GROW_STEP = 1024;

    explicit CTextBuffer(const char* initial = "", size_t step = DEFAULT_GROW_STEP);
    CTextBuffer(const CTextBuffer&) = delete;
    CTextBuffer& operator=(const CTextBuffer&) = delete;
    ~CTextBuffer();

    CTextBuffer& SetText(const char* text);
    // A null text or n == 0 changes nothing.
    CTextBuffer& AppendText(const char* text, size_t n);
    CTextBuffer& AppendText(const char* text);
    // A NUL character changes nothing.
    CTextBuffer& AppendChar(char c);
    // Makes room for `needed` bytes, terminator included; keeps the first length bytes.
    void EnsureCapacity(size_t needed);

    const char* Text() const { return data; }
    size_t Length() const { return length; }
    size_t Capacity() const { return capacity; }

private:
    char* data;
    size_t length;
    size_t capacity;
    size_t growStep;
};

#endif
