#include "text/Allocation.h"

#include <cstdlib>
#include <new>

char* Allocate(size_t size) {
    char* p = static_cast<char*>(std::malloc(size));
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

size_t GrownCapacity(size_t capacity, size_t needed, size_t step) {
    const size_t grown = needed + step;
    return grown < 2 * capacity ? 2 * capacity : grown;
}
