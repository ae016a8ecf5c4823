#include "text/Allocation.h"

#include <cstdlib>
#include <new>

#ifdef __linux__
#include <malloc.h>
#include <sys/mman.h>
#endif

char* Allocate(size_t size) {
    char* p = static_cast<char*>(std::malloc(size));
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

size_t GrownCapacity(size_t capacity, size_t needed, size_t step) {
    const size_t grown = needed + step;
    return grown < 2 * capacity ? 2 * capacity : grown;
}

size_t MappedBlockSize(size_t size) { return (size + MAPPED_BLOCK_UNIT - 1) / MAPPED_BLOCK_UNIT * MAPPED_BLOCK_UNIT; }

#ifdef __linux__
bool PrefersMappedBlock(size_t size) {
    if (size < MAPPED_BLOCK_UNIT) return false;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
    return mallinfo2().fordblks < size;
#else
    return true;
#endif
}

char* MapBlock(size_t size) {
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    // Only advice: where the system keeps no huge pages, the block gets small ones.
    madvise(block, size, MADV_HUGEPAGE);
    return static_cast<char*>(block);
}

char* RemapBlock(char* block, size_t oldSize, size_t newSize) {
    void* moved = mremap(block, oldSize, newSize, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) throw std::bad_alloc();
    return static_cast<char*>(moved);
}

void UnmapBlock(char* block, size_t size) noexcept { munmap(block, size); }
#else
bool PrefersMappedBlock(size_t) { return false; }

char* MapBlock(size_t) { throw std::bad_alloc(); }

char* RemapBlock(char*, size_t, size_t) { throw std::bad_alloc(); }

void UnmapBlock(char*, size_t) noexcept {}
#endif
