#include "chart/stamped_positions.h"

#include <algorithm>
#include <limits>
#include <new>

void StampedPositions::Track(int left, int top, int right, int bottom) {
  // Wide: the difference of two ints may not fit one.
  const long long w = std::max(static_cast<long long>(right) - left, 0LL);
  const long long h = std::max(static_cast<long long>(bottom) - top, 0LL);
  int width = int(std::min<long long>(w, std::numeric_limits<int>::max()));
  int height = int(std::min<long long>(h, std::numeric_limits<int>::max()));
  if (std::size_t(width) * std::size_t(height) > kMaxTracked) width = height = 0;
  if (width != width_ || height != height_) {
    set_.clear();
    setCount_ = 0;
    try {
      std::vector<std::uint64_t> bits((std::size_t(width) * std::size_t(height) + 63) / 64, 0);
      // Reserved here so that marking never allocates.
      if (width > 0 && height > 0) set_.reserve(kFewSet);
      bits_.swap(bits);
      width_ = width;
      height_ = height;
    } catch (const std::bad_alloc&) {
      // Untracked: each mark is drawn, which gives the same picture.
      std::vector<std::uint64_t>().swap(bits_);
      width_ = height_ = 0;
    }
  }
  left_ = left;
  top_ = top;
  EndRun();
}

void StampedPositions::EndRun() {
  if (setCount_ == 0) return;
  if (setCount_ <= kFewSet) {
    for (const std::size_t index : set_) bits_[index >> 6] = 0;
  } else {
    std::fill(bits_.begin(), bits_.end(), 0);
  }
  set_.clear();
  setCount_ = 0;
}
