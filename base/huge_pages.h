#pragma once

#include <cstddef>
#include <cstdint>
#if defined(__linux__)
#include <sys/mman.h>
#endif

// Asks the system to back a large block that is not touched yet with huge pages. A fresh page
// costs a fault on first touch; with a million points (tens of megabytes in the file buffer,
// the points, the store and the display list) those faults took longer than reading and
// parsing together. Only the whole 2 MiB pages inside the block are advised; a refusal changes
// nothing but the speed.
inline void AdviseHugePages(const void* block, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
  if (bytes < 2 * kHuge) return;
  const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kHuge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)block;
  (void)bytes;
#endif
}

// Resizes a vector whose new elements are written before they are read; a fresh block is
// advised for huge pages before resize touches it.
template <class Vector>
void ResizeOnHugePages(Vector& v, std::size_t size) {
  if (size > v.capacity()) {
    Vector fresh;
    fresh.reserve(size);
    AdviseHugePages(fresh.data(), size * sizeof(typename Vector::value_type));
    fresh.assign(v.begin(), v.end());
    v.swap(fresh);
  }
  v.resize(size);
}
