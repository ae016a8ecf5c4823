#include "text/TextBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

char* Allocate(size_t size) {
    char* p = static_cast<char*>(std::malloc(size));
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

}  // namespace

CTextBuffer::CTextBuffer(const char* initial, size_t step)
    : data(nullptr), length(0), capacity(0), growStep(step) {
    SetText(initial);
}

CTextBuffer::~CTextBuffer() {
    std::free(data);
    data = nullptr;
}

CTextBuffer& CTextBuffer::SetText(const char* text) {
    const size_t n = std::strlen(text);
    if (data == nullptr || capacity < n + 1) {
        char* fresh = Allocate(n + 1 + growStep);
        std::free(data);
        data = fresh;
        capacity = n + 1 + growStep;
    }
    // memmove: the text may lie inside the array already held.
    std::memmove(data, text, n);
    data[n] = '\0';
    length = n;
    return *this;
}

void CTextBuffer::EnsureCapacity(size_t needed) {
    if (needed <= capacity) return;
    size_t grown = needed + growStep;
    if (grown < 2 * capacity) grown = 2 * capacity;
    // realloc moves large arrays by remapping pages rather than copying, so
    // growing a buffer of the whole export never holds two copies of it.
    char* fresh = static_cast<char*>(std::realloc(data, grown));
    if (fresh == nullptr) throw std::bad_alloc();
    data = fresh;
    capacity = grown;
}

CTextBuffer& CTextBuffer::AppendText(const char* text, size_t n) {
    if (text == nullptr || n == 0) return *this;
    if (length + n + 1 > capacity && text >= data && text < data + capacity) {
        // The source lies in the array that growing would free.
        const size_t offset = static_cast<size_t>(text - data);
        EnsureCapacity(length + n + 1);
        text = data + offset;
    } else {
        EnsureCapacity(length + n + 1);
    }
    std::memmove(data + length, text, n);
    length += n;
    data[length] = '\0';
    return *this;
}

CTextBuffer& CTextBuffer::AppendText(const char* text) {
    return text == nullptr ? *this : AppendText(text, std::strlen(text));
}

CTextBuffer& CTextBuffer::AppendChar(char c) {
    if (c == '\0') return *this;
    EnsureCapacity(length + 2);
    data[length++] = c;
    data[length] = '\0';
    return *this;
}
