#include "tests/alloc/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#define KRV_COUNTS_MALLOC 1
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
}
#else
#define KRV_COUNTS_MALLOC 0
#endif

namespace {

std::atomic<std::size_t> calls{0};
std::atomic<std::size_t> bytes{0};

void note(std::size_t n) {
    calls.fetch_add(1, std::memory_order_relaxed);
    bytes.fetch_add(n, std::memory_order_relaxed);
}

// The C allocator underneath, not counted again.
void* raw_malloc(std::size_t n) {
#if KRV_COUNTS_MALLOC
    return __libc_malloc(n != 0 ? n : 1);
#else
    return std::malloc(n != 0 ? n : 1);
#endif
}

void* allocate(std::size_t n) {
    note(n);
    if (void* p = raw_malloc(n)) return p;
    throw std::bad_alloc();
}

void* allocate_nothrow(std::size_t n) noexcept {
    note(n);
    return raw_malloc(n);
}

}  // namespace

void* operator new(std::size_t n) {
    return allocate(n);
}
void* operator new[](std::size_t n) {
    return allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return allocate_nothrow(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return allocate_nothrow(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

#if KRV_COUNTS_MALLOC
extern "C" {
void* malloc(std::size_t n) {
    note(n);
    return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size) {
    note(n * size);
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n) {
    note(n);
    return __libc_realloc(p, n);
}
}
#endif

namespace krvtest {

std::size_t allocations() {
    return calls.load();
}
std::size_t allocated_bytes() {
    return bytes.load();
}
bool counts_malloc() {
    return KRV_COUNTS_MALLOC != 0;
}

}  // namespace krvtest
