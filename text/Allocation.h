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

// Large blocks of their own pages, on systems that have them (Linux). Pages
// never written take no memory; a block is made ready part by part
// (PrepareBlock), which puts in the pages of a part in one system call rather
// than a page fault each, yet takes no more memory than the text written
// needs, give or take a part. Growing a block moves its pages instead of
// copying them. Sizes are multiples of MAPPED_BLOCK_UNIT.
constexpr size_t MAPPED_BLOCK_UNIT = size_t{2} << 20;
// How much of a block PrepareBlock readies at least at a time.
constexpr size_t PREPARED_PART = size_t{256} << 10;
// Whether a buffer growing to `size` bytes is better a mapped block than a
// heap array: only when it is that large and the heap does not already hold
// that much free memory (a driver may have freed a whole result), which it
// reuses without the process taking any more.
bool PrefersMappedBlock(size_t size);
// The size of a mapped block that holds at least `size` bytes.
size_t MappedBlockSize(size_t size);
// Throw std::bad_alloc when the system refuses; a block that cannot grow
// stays as it was.
char* MapBlock(size_t size);
char* RemapBlock(char* block, size_t oldSize, size_t newSize);
void UnmapBlock(char* block, size_t size) noexcept;
// Readies the pages of a block of `size` bytes from byte `ready` on, up to
// `needed` bytes rounded up to a PREPARED_PART, and returns the bytes ready
// now. Only a speed-up: a system that cannot ready pages faults them in as
// they are written.
size_t PrepareBlock(char* block, size_t ready, size_t needed, size_t size) noexcept;

#endif
