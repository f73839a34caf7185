// The allocator of the reliability tests: every operator new of the program comes
// here, and while a test asks for it, an allocation of at least the given size
// fails as it would on a machine short of memory. Its own translation unit, so the
// compiler never sees the replaced new and delete side by side. The nothrow forms
// are replaced as well: a sort's temporary buffer takes them, and under the
// address sanitizer every pair of new and delete must come from the same place.
#include "tests/reliability/short_memory.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
// 0: every allocation is served; otherwise one of at least this many bytes fails.
std::atomic<size_t> g_refuseFrom{0};

void* Allocate(size_t size) noexcept {
  const size_t refuse = g_refuseFrom.load(std::memory_order_relaxed);
  if (refuse != 0 && size >= refuse) return nullptr;
  return std::malloc(size ? size : 1);
}
}  // namespace

namespace vmbgrid::testing {
MemoryShort::MemoryShort(size_t refuseFrom) { g_refuseFrom = refuseFrom; }
MemoryShort::~MemoryShort() { g_refuseFrom = 0; }
}  // namespace vmbgrid::testing

void* operator new(size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return ::operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
