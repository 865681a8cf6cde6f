#include "chart/display_list.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>

#include "base/huge_pages.h"

static_assert(std::is_trivially_destructible_v<ChartItem>, "the storage frees items unrun");

void DisplayList::FreeStorage::operator()(ChartItem* items) const {
  ::operator delete[](items);
}

// Fresh slots are zero. A large block is advised for huge pages before the zeros are written.
DisplayList::Storage DisplayList::Allocate(std::size_t slots) {
  void* block = ::operator new[](slots * sizeof(ChartItem));
  AdviseHugePages(block, slots * sizeof(ChartItem));
  Storage items(static_cast<ChartItem*>(block));
  std::uninitialized_value_construct_n(items.get(), slots);
  return items;
}

DisplayList::DisplayList(const DisplayList& other) {
  *this = other;
}

DisplayList& DisplayList::operator=(const DisplayList& other) {
  if (&other == this) return *this;
  Storage copy;
  if (other.capacity_ > 0) {
    copy = Allocate(std::size_t(other.capacity_));
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
  Storage larger = Allocate(std::size_t(grown));
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
