#ifndef QUILLET_TEXT_STR_H
#define QUILLET_TEXT_STR_H

#include <cstddef>
#include <cstdint>

// The program's string: one owned heap copy of a NUL-terminated 8-bit text.
// Every change allocates an array of exactly the needed size, so it suits
// short texts; texts that grow piece by piece belong in a CTextBuffer.
// Copyable: a copy duplicates the characters.
class CStr {
public:
    CStr();
    CStr(const char* source);  // NOLINT(google-explicit-constructor): texts convert freely
    CStr(const CStr& other);
    CStr(CStr&& other) noexcept;
    CStr& operator=(const CStr& other);
    CStr& operator=(CStr&& other) noexcept;
    ~CStr();

    // A null source gives the empty text. A source inside the held array
    // is copied before the old array is freed.
    CStr& Assign(const char* source);
    CStr& AssignFrom(const CStr& other);
    // Copies at most n characters; the result always has room for n.
    CStr& AssignPrefix(const char* source, size_t n);
    CStr& AssignChar(char c);
    CStr& Append(const char* source);
    // The result is empty unless pos lies inside the text and n != 0.
    void Substring(CStr& result, size_t pos, size_t n) const;
    static void FromInt(CStr& result, int32_t value);
    // Returns an array of n + 1 bytes for the caller to fill; bytes 0 and n hold NUL.
    char* Reserve(size_t n);
    void Release();

    const char* Text() const { return text_; }
    size_t Length() const;
    bool IsEmpty() const { return text_ == nullptr || text_[0] == '\0'; }

private:
    void Take(char* fresh);

    char* text_;
};

bool operator==(const CStr& a, const CStr& b);
bool operator<(const CStr& a, const CStr& b);

#endif
