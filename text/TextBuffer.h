#ifndef QUILLET_TEXT_TEXTBUFFER_H
#define QUILLET_TEXT_TEXTBUFFER_H

#include <cstddef>
#include <cstring>

// A growable 8-bit text. Each growth gives at least the needed size plus the
// grow step, and at least twice the old capacity, so appending N bytes in
// small pieces copies O(N) bytes in all. The array never shrinks. An append
// that cannot get its memory throws std::bad_alloc and changes nothing.
// A text that grows to the size of a whole export may become a block of its
// own pages (text/Allocation.h), so it neither faults in every 4 KiB page
// nor is copied when it grows.
class CTextBuffer {
public:
    static constexpr size_t DEFAULT_GROW_STEP = 1024;

    explicit CTextBuffer(const char* initial = "", size_t step = DEFAULT_GROW_STEP);
    CTextBuffer(const CTextBuffer&) = delete;
    CTextBuffer& operator=(const CTextBuffer&) = delete;
    ~CTextBuffer();

    CTextBuffer& SetText(const char* text);
    // A null text or n == 0 changes nothing. The text may lie in the buffer itself.
    CTextBuffer& AppendText(const char* text, size_t n) {
        if (text == nullptr || n == 0) return *this;
        if (length_ + n + 1 > capacity_) return AppendGrowing(text, n);
        std::memmove(data_ + length_, text, n);
        length_ += n;
        data_[length_] = '\0';
        return *this;
    }
    CTextBuffer& AppendText(const char* text);
    // A NUL character changes nothing.
    CTextBuffer& AppendChar(char c) {
        if (c == '\0') return *this;
        EnsureCapacity(length_ + 2);
        data_[length_++] = c;
        data_[length_] = '\0';
        return *this;
    }
    // Room for n more bytes and the terminator, for a caller that writes
    // them itself and then calls Extend; returns where they go.
    char* AppendRoom(size_t n) {
        EnsureCapacity(length_ + n + 1);
        return data_ + length_;
    }
    // Takes in the n bytes written at AppendRoom's pointer.
    // REQUIRES: n <= the room asked for since.
    void Extend(size_t n) noexcept {
        length_ += n;
        data_[length_] = '\0';
    }
    // Cuts the text back to its first `newLength` bytes, to undo appends that
    // could not all be made. Allocates nothing. REQUIRES: newLength <= Length().
    void Truncate(size_t newLength) noexcept {
        length_ = newLength;
        data_[length_] = '\0';
    }
    // Makes room for `needed` bytes, terminator included; keeps the first length bytes.
    void EnsureCapacity(size_t needed) {
        if (needed > capacity_) Grow(needed);
    }

    const char* Text() const { return data_; }
    size_t Length() const { return length_; }
    size_t Capacity() const { return capacity_; }

private:
    void Grow(size_t needed);
    CTextBuffer& AppendGrowing(const char* text, size_t n);
    void Release() noexcept;

    char* data_;
    size_t length_;
    size_t capacity_;
    size_t growStep_;
    bool mapped_;  // data is a mapped block, not a heap array
};

#endif
