#include "text/Str.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "text/Allocation.h"

namespace {

char* Duplicate(const char* source) {
    const size_t n = std::strlen(source);
    char* p = Allocate(n + 1);
    std::memcpy(p, source, n + 1);
    return p;
}

}  // namespace

CStr::CStr() : text_(nullptr) { Assign(nullptr); }

CStr::CStr(const char* source) : text_(nullptr) { Assign(source); }

CStr::CStr(const CStr& other) : text_(nullptr) { Assign(other.text_); }

CStr::CStr(CStr&& other) noexcept : text_(other.text_) { other.text_ = nullptr; }

CStr& CStr::operator=(const CStr& other) { return AssignFrom(other); }

CStr& CStr::operator=(CStr&& other) noexcept {
    if (this != &other) {
        std::free(text_);
        text_ = other.text_;
        other.text_ = nullptr;
    }
    return *this;
}

CStr::~CStr() { Release(); }

void CStr::Take(char* fresh) {
    std::free(text_);
    text_ = fresh;
}

CStr& CStr::Assign(const char* source) {
    if (source != nullptr && source == text_) return *this;
    Take(Duplicate(source != nullptr ? source : ""));
    return *this;
}

CStr& CStr::AssignFrom(const CStr& other) {
    if (this != &other) Assign(other.text_);
    return *this;
}

CStr& CStr::AssignPrefix(const char* source, size_t n) {
    char* fresh = Allocate(n + 1);
    if (source != nullptr) {
        std::strncpy(fresh, source, n);
    } else {
        std::memset(fresh, 0, n);
    }
    fresh[n] = '\0';
    Take(fresh);
    return *this;
}

CStr& CStr::AssignChar(char c) {
    char* fresh = Allocate(2);
    fresh[0] = c;
    fresh[1] = '\0';
    Take(fresh);
    return *this;
}

CStr& CStr::Append(const char* source) {
    if (source == nullptr || source[0] == '\0') return *this;
    const size_t oldLength = Length();
    const size_t addLength = std::strlen(source);
    char* fresh = Allocate(oldLength + addLength + 1);
    if (oldLength != 0) std::memcpy(fresh, text_, oldLength);
    std::memcpy(fresh + oldLength, source, addLength + 1);
    Take(fresh);
    return *this;
}

void CStr::Substring(CStr& result, size_t pos, size_t n) const {
    const size_t length = Length();
    if (length == 0 || pos >= length || n == 0) {
        result.Assign(nullptr);
        return;
    }
    const size_t count = (length - pos < n) ? length - pos : n;
    if (&result == this) {
        CStr copy;
        copy.AssignPrefix(text_ + pos, count);
        result = std::move(copy);
    } else {
        result.AssignPrefix(text_ + pos, count);
    }
}

void CStr::FromInt(CStr& result, int32_t value) {
    char* out = result.Reserve(15);
    std::snprintf(out, 16, "%d", static_cast<int>(value));
}

char* CStr::Reserve(size_t n) {
    char* fresh = Allocate(n + 1);
    fresh[0] = '\0';
    fresh[n] = '\0';
    Take(fresh);
    return text_;
}

void CStr::Release() {
    std::free(text_);
    text_ = nullptr;
}

size_t CStr::Length() const { return text_ != nullptr ? std::strlen(text_) : 0; }

bool operator==(const CStr& a, const CStr& b) {
    const char* x = a.Text() != nullptr ? a.Text() : "";
    const char* y = b.Text() != nullptr ? b.Text() : "";
    return std::strcmp(x, y) == 0;
}

bool operator<(const CStr& a, const CStr& b) {
    const char* x = a.Text() != nullptr ? a.Text() : "";
    const char* y = b.Text() != nullptr ? b.Text() : "";
    return std::strcmp(x, y) < 0;  // strcmp compares as unsigned bytes
}
