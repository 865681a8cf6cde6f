#include "chart/stamped_positions.h"

#include <algorithm>

void StampedPositions::Track(int left, int top, int right, int bottom) {
  const int width = std::max(right - left, 0), height = std::max(bottom - top, 0);
  if (width != width_ || height != height_) {
    bits_.assign((std::size_t(width) * std::size_t(height) + 63) / 64, 0);
    set_.clear();
    setCount_ = 0;
    width_ = width;
    height_ = height;
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
