#include "tests/fit/failing_allocation.h"

#include <cstdlib>
#include <new>

namespace {

bool armed = false;
bool happened = false;
std::size_t threshold = 0;
int to_skip = 0;

}  // namespace

FailNextAllocation::FailNextAllocation(std::size_t min_bytes, int skip) {
  threshold = min_bytes;
  to_skip = skip;
  happened = false;
  armed = true;
}

FailNextAllocation::~FailNextAllocation() {
  armed = false;
}

bool FailNextAllocation::Happened() const {
  return happened;
}

// The test program's global allocation functions: plain malloc/free, plus the armed failure.
void* operator new(std::size_t size) {
  if (armed && size >= threshold && to_skip-- == 0) {
    armed = false;
    happened = true;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

// Arrays as well: the sanitizers' runtime brings its own array forms, which would otherwise
// bypass the armed failure.
void* operator new[](std::size_t size) {
  return ::operator new(size);
}

void operator delete[](void* p) noexcept {
  std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

// The non-throwing forms too (std::stable_sort's buffer takes them): the sanitizers' own would
// allocate what the free above releases.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return ::operator new(size, std::nothrow);
}

void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
