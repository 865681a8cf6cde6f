#pragma once

#include <cstdint>
#include <memory>

#include "chart/chart_types.h"

// The chart's items in the order they were added. Storage grows in whole steps so that adding
// many items does not reallocate each time, and is released when the list becomes empty.
class DisplayList {
 public:
  DisplayList() = default;
  DisplayList(const DisplayList& other);
  DisplayList& operator=(const DisplayList& other);

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  const ChartItem& At(int index) const { return items_[index]; }
  const ChartItem* begin() const { return items_.get(); }
  const ChartItem* end() const { return items_.get() + count_; }

  // Grows by `step` slots when full. A failed growth throws and leaves the list unchanged.
  void Append(const ChartItem& item, int step);
  // Makes room for `count` items in one reallocation, to the capacity that growing by `step`
  // one item at a time would reach, so bulk adds stay linear. A failed growth throws and leaves
  // the list unchanged.
  void Reserve(long long count, int step);
  void DropLast();
  void Clear();

 private:
  // Items are plain values: the storage is raw memory holding them, freed without destructors.
  struct FreeStorage {
    void operator()(ChartItem* items) const;
  };
  using Storage = std::unique_ptr<ChartItem[], FreeStorage>;
  static Storage Allocate(std::size_t slots);

  Storage items_;
  int count_ = 0;
  int capacity_ = 0;
};
