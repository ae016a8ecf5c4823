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

CStr::CStr() : text(nullptr) { Assign(nullptr); }

CStr::CStr(const char* source) : text(nullptr) { Assign(source); }

CStr::CStr(const CStr& other) : text(nullptr) { Assign(other.text); }

CStr::CStr(CStr&& other) noexcept : text(other.text) { other.text = nullptr; }

CStr& CStr::operator=(const CStr& other) { return AssignFrom(other); }

CStr& CStr::operator=(CStr&& other) noexcept {
    if (this != &other) {
        std::free(text);
        text = other.text;
        other.text = nullptr;
    }
    return *this;
}

CStr::~CStr() { Release(); }

void CStr::Take(char* fresh) {
    std::free(text);
    text = fresh;
}

CStr& CStr::Assign(const char* source) {
    if (source != nullptr && source == text) return *this;
    Take(Duplicate(source != nullptr ? source : ""));
    return *this;
}

CStr& CStr::AssignFrom(const CStr& other) {
    if (this != &other) Assign(other.text);
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
    if (oldLength != 0) std::memcpy(fresh, text, oldLength);
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
        copy.AssignPrefix(text + pos, count);
        result = std::move(copy);
    } else {
        result.AssignPrefix(text + pos, count);
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
    return text;
}

void CStr::Release() {
    std::free(text);
    text = nullptr;
}

size_t CStr::Length() const { return text != nullptr ? std::strlen(text) : 0; }

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
