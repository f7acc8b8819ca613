#include "memory/CountingAllocator.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

// The C library's allocator under its own names, which stay reachable when
// a program defines malloc itself.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace {

std::atomic<std::size_t> held{0};
std::atomic<std::size_t> most{0};
std::atomic<std::size_t> largest{SIZE_MAX};  // requests above it fail

bool refused(std::size_t n) {
  if (n <= largest.load(std::memory_order_relaxed)) return false;
  errno = ENOMEM;
  return true;
}

void* counted(void* p) {
  if (p != nullptr) {
    const std::size_t now = held.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
    std::size_t seen = most.load(std::memory_order_relaxed);
    while (now > seen && !most.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
    }
  }
  return p;
}

void uncount(void* p) {
  if (p != nullptr) held.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
}

}  // namespace

namespace counting_allocator {

std::size_t current() { return held.load(); }
std::size_t peak() { return most.load(); }
void resetPeak() { most.store(held.load()); }

RefuseAbove::RefuseAbove(std::size_t bytes) { largest.store(bytes); }
RefuseAbove::~RefuseAbove() { largest.store(SIZE_MAX); }

}  // namespace counting_allocator

// Visible to the shared libraries too (builds hide symbols by default), so
// that allocations made inside libstdc++, operator new among them, come here.
#define ZVRAW_REPLACES [[gnu::visibility("default")]]

extern "C" {

ZVRAW_REPLACES void* malloc(std::size_t n) { return refused(n) ? nullptr : counted(__libc_malloc(n)); }

ZVRAW_REPLACES void* calloc(std::size_t n, std::size_t size) {
  return size != 0 && refused(n > SIZE_MAX / size ? SIZE_MAX : n * size) ? nullptr : counted(__libc_calloc(n, size));
}

ZVRAW_REPLACES void* realloc(void* p, std::size_t n) {
  if (refused(n)) return nullptr;
  uncount(p);
  void* moved = __libc_realloc(p, n);
  if (moved == nullptr && p != nullptr && n != 0) return counted(p);  // the old block stays
  return counted(moved);
}

ZVRAW_REPLACES void free(void* p) {
  uncount(p);
  __libc_free(p);
}

ZVRAW_REPLACES void* memalign(std::size_t alignment, std::size_t n) {
  return refused(n) ? nullptr : counted(__libc_memalign(alignment, n));
}

ZVRAW_REPLACES void* aligned_alloc(std::size_t alignment, std::size_t n) {
  return refused(n) ? nullptr : counted(__libc_memalign(alignment, n));
}

ZVRAW_REPLACES int posix_memalign(void** out, std::size_t alignment, std::size_t n) {
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* p = refused(n) ? nullptr : __libc_memalign(alignment, n);
  if (p == nullptr) return ENOMEM;
  *out = counted(p);
  return 0;
}

ZVRAW_REPLACES void* valloc(std::size_t n) { return counted(__libc_memalign(4096, n)); }

ZVRAW_REPLACES void* pvalloc(std::size_t n) { return counted(__libc_memalign(4096, (n + 4095) / 4096 * 4096)); }

}  // extern "C"
