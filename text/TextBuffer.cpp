#include "text/TextBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "text/Allocation.h"

CTextBuffer::CTextBuffer(const char* initial, size_t step)
    : data_(nullptr), length_(0), capacity_(0), growStep_(step), mapped_(false) {
    SetText(initial);
}

CTextBuffer::~CTextBuffer() { Release(); }

void CTextBuffer::Release() noexcept {
    if (mapped_) {
        UnmapBlock(data_, capacity_);
    } else {
        std::free(data_);
    }
    data_ = nullptr;
    mapped_ = false;
}

CTextBuffer& CTextBuffer::SetText(const char* text) {
    const size_t n = std::strlen(text);
    if (data_ == nullptr || capacity_ < n + 1) {
        char* fresh = Allocate(n + 1 + growStep_);
        Release();
        data_ = fresh;
        capacity_ = n + 1 + growStep_;
    }
    // memmove: the text may lie inside the array already held.
    std::memmove(data_, text, n);
    data_[n] = '\0';
    length_ = n;
    return *this;
}

void CTextBuffer::Grow(size_t needed) {
    const size_t grown = GrownCapacity(capacity_, needed, growStep_);
    if (mapped_ || PrefersMappedBlock(grown)) {
        const size_t size = MappedBlockSize(grown);
        if (mapped_) {
            data_ = RemapBlock(data_, capacity_, size);
        } else {
            char* fresh = MapBlock(size);
            std::memcpy(fresh, data_, length_ + 1);
            std::free(data_);
            data_ = fresh;
            mapped_ = true;
        }
        capacity_ = size;
        return;
    }
    // realloc moves large arrays by remapping pages rather than copying, so
    // growing a buffer of the whole export never holds two copies of it.
    char* fresh = static_cast<char*>(std::realloc(data_, grown));
    if (fresh == nullptr) throw std::bad_alloc();
    data_ = fresh;
    capacity_ = grown;
}

CTextBuffer& CTextBuffer::AppendGrowing(const char* text, size_t n) {
    const bool inside = text >= data_ && text < data_ + capacity_;
    // The source lies in the array that growing frees or moves.
    const size_t offset = inside ? static_cast<size_t>(text - data_) : 0;
    Grow(length_ + n + 1);
    if (inside) text = data_ + offset;
    std::memcpy(data_ + length_, text, n);
    length_ += n;
    data_[length_] = '\0';
    return *this;
}

CTextBuffer& CTextBuffer::AppendText(const char* text) {
    return text == nullptr ? *this : AppendText(text, std::strlen(text));
}
