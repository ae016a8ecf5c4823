#ifndef QUILLET_TEXT_FILEPTR_H
#define QUILLET_TEXT_FILEPTR_H

#include <cstdio>
#include <memory>

// The owner of an open stream, which closes it when the owner ends. Where the
// close must report, the stream is closed with fclose(owner.release()).
struct SFileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, SFileCloser>;

#endif
