// A machine short of memory, for the time an object lives: every allocation of at
// least `refuseFrom` bytes fails (std::bad_alloc, or null for the nothrow forms).
#pragma once

#include <cstddef>

namespace vmbgrid::testing {
struct MemoryShort {
  explicit MemoryShort(size_t refuseFrom);
  ~MemoryShort();
  MemoryShort(const MemoryShort&) = delete;
  MemoryShort& operator=(const MemoryShort&) = delete;
};
}  // namespace vmbgrid::testing
