#include "text/TextBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "text/Allocation.h"

CTextBuffer::CTextBuffer(const char* initial, size_t step)
    : data(nullptr), length(0), capacity(0), growStep(step), mapped_(false) {
    SetText(initial);
}

CTextBuffer::~CTextBuffer() { Release(); }

void CTextBuffer::Release() noexcept {
    if (mapped_) {
        UnmapBlock(data, capacity);
    } else {
        std::free(data);
    }
    data = nullptr;
    mapped_ = false;
}

CTextBuffer& CTextBuffer::SetText(const char* text) {
    const size_t n = std::strlen(text);
    if (data == nullptr || capacity < n + 1) {
        char* fresh = Allocate(n + 1 + growStep);
        Release();
        data = fresh;
        capacity = n + 1 + growStep;
    }
    // memmove: the text may lie inside the array already held.
    std::memmove(data, text, n);
    data[n] = '\0';
    length = n;
    return *this;
}

void CTextBuffer::Grow(size_t needed) {
    const size_t grown = GrownCapacity(capacity, needed, growStep);
    if (mapped_ || PrefersMappedBlock(grown)) {
        const size_t size = MappedBlockSize(grown);
        if (mapped_) {
            data = RemapBlock(data, capacity, size);
        } else {
            char* fresh = MapBlock(size);
            std::memcpy(fresh, data, length + 1);
            std::free(data);
            data = fresh;
            mapped_ = true;
        }
        capacity = size;
        return;
    }
    // realloc moves large arrays by remapping pages rather than copying, so
    // growing a buffer of the whole export never holds two copies of it.
    char* fresh = static_cast<char*>(std::realloc(data, grown));
    if (fresh == nullptr) throw std::bad_alloc();
    data = fresh;
    capacity = grown;
}

CTextBuffer& CTextBuffer::AppendGrowing(const char* text, size_t n) {
    const bool inside = text >= data && text < data + capacity;
    // The source lies in the array that growing frees or moves.
    const size_t offset = inside ? static_cast<size_t>(text - data) : 0;
    Grow(length + n + 1);
    if (inside) text = data + offset;
    std::memcpy(data + length, text, n);
    length += n;
    data[length] = '\0';
    return *this;
}

CTextBuffer& CTextBuffer::AppendText(const char* text) {
    return text == nullptr ? *this : AppendText(text, std::strlen(text));
}
