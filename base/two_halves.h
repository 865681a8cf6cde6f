#pragma once

#include <cfenv>
#include <cstddef>
#include <exception>
#include <thread>

#include "base/float_check.h"

// Runs part(first, last) over the items [0, count) in two halves, from two items on: the later
// half on a thread of its own, the earlier on the caller's. The floating-point flags are each
// thread's own, so those the worker raised are raised in the caller's thread afterwards, where its
// FloatCheck sees them; an exception of the worker is thrown again in the caller's (after the
// caller's half, whose own exception comes first).
template <class Part>
void InTwoHalves(std::size_t count, const Part& part) {
  const std::size_t split = count / 2;
  if (split == 0) {
    part(std::size_t(0), count);
    return;
  }
  std::exception_ptr failed;
  int raised = 0;
  {
    std::jthread worker([&] {
      ClearFloatFlags();
      try {
        part(split, count);
      } catch (...) {
        failed = std::current_exception();
      }
      raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    });
    part(std::size_t(0), split);
  }
  if (failed) std::rethrow_exception(failed);
  if (raised) std::feraiseexcept(raised);
}
