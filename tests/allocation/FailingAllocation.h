#ifndef QUILLET_TESTS_ALLOCATION_FAILINGALLOCATION_H
#define QUILLET_TESTS_ALLOCATION_FAILINGALLOCATION_H

#include <cstddef>
#include <functional>

// Allocations refused on purpose. While armed, every allocation is counted
// (operator new anywhere, and malloc and realloc where Quillet's own code
// calls them) and each one from the nth on is refused, as when memory is used
// up: operator new throws std::bad_alloc, malloc and realloc return null.
void FailAllocationsFrom(size_t n);
// Disarms; returns whether an allocation was refused since arming.
bool StopFailingAllocations();

// The allocation-failure loop: runs body with allocations refused from the
// first on, then from the second, and so on until a run meets no refusal.
// Every run that meets one must end in std::bad_alloc. A body checks the
// objects it keeps after the failure (disarming first, since checks
// allocate) and throws the failure on.
void ForEachFailingAllocation(const std::function<void()>& body);

#endif
