#include "chart/display_list.h"

#include <algorithm>
#include <limits>
#include <new>

DisplayList::DisplayList(const DisplayList& other) {
  *this = other;
}

DisplayList& DisplayList::operator=(const DisplayList& other) {
  if (&other == this) return *this;
  std::unique_ptr<ChartItem[]> copy;
  if (other.capacity_ > 0) {
    copy = std::make_unique<ChartItem[]>(std::size_t(other.capacity_));
    std::copy(other.begin(), other.end(), copy.get());
  }
  items_ = std::move(copy);
  count_ = other.count_;
  capacity_ = other.capacity_;
  return *this;
}

void DisplayList::Append(const ChartItem& item, int step) {
  if (count_ >= capacity_) Reserve(static_cast<long long>(count_) + 1, step);
  items_[count_] = item;
  ++count_;
}

void DisplayList::Reserve(long long count, int step) {
  if (count <= capacity_) return;
  const long long steps = (count - capacity_ + step - 1) / step;
  const long long grown = capacity_ + steps * step;
  if (grown > std::numeric_limits<int>::max()) throw std::bad_alloc();
  // Value-initialised: fresh slots are zero.
  auto larger = std::make_unique<ChartItem[]>(std::size_t(grown));
  std::copy(begin(), end(), larger.get());
  items_ = std::move(larger);
  capacity_ = int(grown);
}

void DisplayList::DropLast() {
  if (count_ == 0) return;
  --count_;
  if (count_ == 0) Clear();
}

void DisplayList::Clear() {
  items_.reset();
  count_ = 0;
  capacity_ = 0;
}
