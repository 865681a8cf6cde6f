#pragma once

#include <cstdint>
#include <vector>

// A shape mark sets every pixel it touches to its pen colour (filled shapes fill with it, open
// ones leave the inside alone), in copy mode and without antialiasing. Identical marks therefore
// leave the same picture in any order and however often each is drawn. With a million marks
// most fall on a position already stamped, so the renderer stamps each position of a run of
// identical marks once. A run ends when anything else is drawn in between.
//
// Positions are remembered per run by a generation number, so starting a run costs nothing and
// the table is only cleared when the tracked area changes size or the numbers wrap.
class StampedPositions {
 public:
  // Tracks the positions of [left, right) x [top, bottom); others are never reported as
  // stamped. Starts a run.
  void Track(int left, int top, int right, int bottom);
  void EndRun();
  // True when (x, y) was stamped in this run; otherwise marks it and returns false.
  bool TestAndSet(int x, int y) {
    const unsigned cx = unsigned(x - left_), cy = unsigned(y - top_);
    if (cx >= unsigned(width_) || cy >= unsigned(height_)) return false;
    std::uint32_t& cell = cells_[std::size_t(cy) * std::size_t(width_) + cx];
    if (cell == generation_) return true;
    cell = generation_;
    return false;
  }

 private:
  std::vector<std::uint32_t> cells_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::uint32_t generation_ = 1;
};
