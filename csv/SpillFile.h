#ifndef QUILLET_CSV_SPILLFILE_H
#define QUILLET_CSV_SPILLFILE_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "text/Str.h"

// Text moved out of memory: a temporary file, created on the first append in
// TMPDIR (else /tmp; on Windows the user's temporary folder), that no other
// user can open and that disappears however the process ends. On Linux it has
// no name at all (O_TMPFILE), or loses it at once; on Windows it is deleted
// when its handle closes. Not copyable: the file has one owner.
class CSpillFile {
public:
    CSpillFile() = default;
    CSpillFile(const CSpillFile&) = delete;
    CSpillFile& operator=(const CSpillFile&) = delete;
    ~CSpillFile();

    // False when the file cannot be created or does not take every byte;
    // GetErrorText then says why, and the file is of no further use.
    bool Append(const char* text, size_t length);
    // Writes everything appended, in order, to the descriptor of `out`,
    // adding each block to `copied` (when given) once it is out.
    // REQUIRES: out has been flushed.
    bool CopyTo(FILE* out, std::atomic<uint64_t>* copied = nullptr) const;

    uint64_t Length() const { return length_; }
    const char* GetErrorText() const { return error_.Text(); }

private:
    bool Create();
    void Fail(const char* what);

    int descriptor_ = -1;
    uint64_t length_ = 0;
    CStr folder_;
    CStr error_;
};

#endif
