#include "app/Utf8Arguments.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// An unpaired surrogate becomes U+FFFD, as nothing else can stand for it in UTF-8.
std::string ToUtf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string converted(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &converted[0], size, nullptr, nullptr);
    converted.pop_back();
    return converted;
}

}  // namespace

CUtf8Arguments::CUtf8Arguments(int argc, wchar_t* argv[]) {
    for (int i = 0; i < argc; ++i) texts_.push_back(ToUtf8(argv[i]));
    for (std::string& text : texts_) values_.push_back(&text[0]);
    values_.push_back(nullptr);
}
