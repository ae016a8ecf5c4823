#include "tests/allocation/FailingAllocation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

// The real functions behind the linker's --wrap of malloc and realloc.
extern "C" {
void* __real_malloc(size_t size);
void* __real_realloc(void* block, size_t size);
}

namespace {

size_t failFrom = 0;  // 0: disarmed
size_t counted = 0;
bool refused = false;

bool Refuse() {
    if (failFrom == 0 || ++counted < failFrom) return false;
    refused = true;
    return true;
}

constexpr size_t MOST_ALLOCATIONS = 100000;

}  // namespace

void FailAllocationsFrom(size_t n) {
    counted = 0;
    refused = false;
    failFrom = n;
}

bool StopFailingAllocations() {
    failFrom = 0;
    return refused;
}

void ForEachFailingAllocation(const std::function<void()>& body) {
    for (size_t n = 1; n < MOST_ALLOCATIONS; ++n) {
        FailAllocationsFrom(n);
        try {
            body();
        } catch (const std::bad_alloc&) {
            if (!StopFailingAllocations()) ADD_FAILURE() << "std::bad_alloc with no allocation refused";
            continue;
        }
        if (!StopFailingAllocations()) {
            if (n == 1) ADD_FAILURE() << "the body allocates nothing";
            return;
        }
        ADD_FAILURE() << "allocation " << n << " was refused, yet no std::bad_alloc came out";
    }
    ADD_FAILURE() << "no run completed";
}

extern "C" {

void* __wrap_malloc(size_t size) { return Refuse() ? nullptr : __real_malloc(size); }

void* __wrap_realloc(void* block, size_t size) { return Refuse() ? nullptr : __real_realloc(block, size); }

}  // extern "C"

void* operator new(size_t size) {
    if (Refuse()) throw std::bad_alloc();
    void* block = __real_malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void* operator new[](size_t size) { return operator new(size); }

void operator delete(void* block) noexcept { std::free(block); }

void operator delete[](void* block) noexcept { std::free(block); }

void operator delete(void* block, size_t) noexcept { std::free(block); }

void operator delete[](void* block, size_t) noexcept { std::free(block); }
