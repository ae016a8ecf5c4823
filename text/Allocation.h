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

// Large blocks of their own pages, on systems that have them (Linux): the
// kernel backs them with 2 MiB pages where it can, so filling one of
// hundreds of MiB takes hundreds of page faults, not tens of thousands, and
// growing one moves its pages instead of copying them. Pages never written
// take no memory. Sizes are multiples of MAPPED_BLOCK_UNIT.
constexpr size_t MAPPED_BLOCK_UNIT = size_t{2} << 20;
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

#endif
