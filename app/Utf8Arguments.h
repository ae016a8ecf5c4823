#ifndef QUILLET_APP_UTF8ARGUMENTS_H
#define QUILLET_APP_UTF8ARGUMENTS_H

#include <string>
#include <vector>

// The program's arguments in UTF-8, converted from the UTF-16 ones that
// Windows hands to wmain. Windows releases before 1903 ignore the manifest's
// UTF-8 code page and give main the arguments in the ANSI code page, whose
// best-fit conversion loses characters and can even turn a fullwidth quote
// (U+FF02) into '"'. Not copyable: the values point into the texts.
class CUtf8Arguments {
public:
    // Throws std::bad_alloc when the texts do not fit in memory.
    CUtf8Arguments(int argc, wchar_t* argv[]);
    CUtf8Arguments(const CUtf8Arguments&) = delete;
    CUtf8Arguments& operator=(const CUtf8Arguments&) = delete;

    int GetCount() const { return static_cast<int>(texts_.size()); }
    // As main's argv: GetCount() texts, then a null pointer.
    char** GetValues() { return values_.data(); }

private:
    std::vector<std::string> texts_;
    std::vector<char*> values_;
};

#endif
