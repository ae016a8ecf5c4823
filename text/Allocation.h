#ifndef QUILLET_TEXT_ALLOCATION_H
#define QUILLET_TEXT_ALLOCATION_H

#include <cstddef>

// malloc that throws std::bad_alloc rather than returning null; the block
// is released with free.
char* Allocate(size_t size);

// The size a buffer of `capacity` bytes grows to when it needs `needed`:
// at least needed plus step and at least twice the old size, so filling a
// buffer of N bytes in small pieces copies O(N) bytes in all.
size_t GrownCapacity(size_t capacity, size_t needed, size_t step);

#endif
