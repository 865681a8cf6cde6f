#pragma once

#include <cstddef>

// While the object lives, lets `skip` heap allocations of at least min_bytes pass and makes the
// next one throw std::bad_alloc, once. Lets tests reach the out-of-memory paths without
// exhausting the machine.
class FailNextAllocation {
 public:
  explicit FailNextAllocation(std::size_t min_bytes, int skip = 0);
  ~FailNextAllocation();
  FailNextAllocation(const FailNextAllocation&) = delete;
  FailNextAllocation& operator=(const FailNextAllocation&) = delete;

  // Whether an allocation was refused.
  bool Happened() const;
};
