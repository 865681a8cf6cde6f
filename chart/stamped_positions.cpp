#include "chart/stamped_positions.h"

#include <algorithm>

void StampedPositions::Track(int left, int top, int right, int bottom) {
  const int width = std::max(right - left, 0), height = std::max(bottom - top, 0);
  if (width != width_ || height != height_) {
    cells_.assign(std::size_t(width) * std::size_t(height), 0);
    width_ = width;
    height_ = height;
    generation_ = 0;
  }
  left_ = left;
  top_ = top;
  EndRun();
}

void StampedPositions::EndRun() {
  if (++generation_ == 0) {
    std::fill(cells_.begin(), cells_.end(), 0);
    generation_ = 1;
  }
}
