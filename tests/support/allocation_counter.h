#pragma once

// Replaces the global allocation functions with counting ones, so a test
// can show that a lookup does not allocate. Include it in exactly one source
// file of a test program: it defines the replacements.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace quvo_test {
inline std::atomic<size_t> g_allocations{0};
}  // namespace quvo_test

// Not inlined, so the compiler does not pair malloc with delete at call sites.
[[gnu::noinline]] void* operator new(size_t size) {
  ++quvo_test::g_allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, size_t) noexcept { std::free(p); }
