#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A shape mark sets every pixel it touches to its pen colour (filled shapes fill with it, open
// ones leave the inside alone), in copy mode and without antialiasing. Identical marks therefore
// leave the same picture in any order and however often each is drawn. With a million marks
// most fall on a position already stamped, so the renderer stamps each position of a run of
// identical marks once. A run ends when anything else is drawn in between.
//
// One bit per position keeps the table small enough to stay in the cache while a million marks
// look it up. Ending a run clears the bits it set: one by one while they are few, the whole
// table otherwise, so a run never costs more than its own marks or one clear.
//
// The table follows the data area, which a user or a script may set to any size. An area of
// more than kMaxTracked positions, or one whose table cannot be allocated, is not tracked at
// all: every mark is then drawn, as before stamping, and no resize or paint can fail on memory.
class StampedPositions {
 public:
  // 2^27 positions, a 16 MB table: far beyond any screen, even at four device pixels a side.
  static constexpr std::size_t kMaxTracked = std::size_t(1) << 27;

  // Tracks the positions of [left, right) x [top, bottom); others are never reported as
  // stamped. Starts a run.
  void Track(int left, int top, int right, int bottom);
  // Whether any position is tracked (false for an empty, an absurd or an unallocatable area).
  bool Tracking() const { return width_ > 0 && height_ > 0; }
  void EndRun();
  // True when (x, y) was stamped in this run; otherwise marks it and returns false.
  bool TestAndSet(int x, int y) {
    // Unsigned, so that a position far from the area wraps instead of overflowing.
    const unsigned cx = unsigned(x) - unsigned(left_), cy = unsigned(y) - unsigned(top_);
    if (cx >= unsigned(width_) || cy >= unsigned(height_)) return false;
    const std::size_t index = std::size_t(cy) * std::size_t(width_) + cx;
    std::uint64_t& word = bits_[index >> 6];
    const std::uint64_t bit = std::uint64_t(1) << (index & 63);
    if (word & bit) return true;
    word |= bit;
    if (set_.size() < kFewSet) set_.push_back(index);
    ++setCount_;
    return false;
  }

 private:
  // Up to this many set bits are cleared one by one; above, the table is cleared whole.
  static constexpr std::size_t kFewSet = 4096;

  std::vector<std::uint64_t> bits_;
  std::vector<std::size_t> set_;
  std::size_t setCount_ = 0;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};
