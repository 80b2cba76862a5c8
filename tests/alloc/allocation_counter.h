// Counts every allocation of the process: operator new in all its forms
// and, where the C library lets a program stand in for it (glibc, not under
// AddressSanitizer, which owns malloc itself), malloc, calloc and realloc.
//
// Linking allocation_counter.cpp replaces the global allocation functions
// for the whole program, so it goes only into programs of their own.
#pragma once

#include <cstddef>

namespace krvtest {

std::size_t allocations();      // calls since the program started
std::size_t allocated_bytes();  // bytes asked for by those calls
bool counts_malloc();           // whether the C allocator is counted too

// Counts what happens between its construction and count().
class AllocationWindow {
public:
    AllocationWindow() : start_(allocations()) {}
    std::size_t count() const { return allocations() - start_; }

private:
    std::size_t start_;
};

}  // namespace krvtest
