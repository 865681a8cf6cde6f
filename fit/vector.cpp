#include "fit/vector.h"

#include <algorithm>
#include <new>
#include <utility>

#include "fit/kovix_errors.h"

TVector::TVector() {
  try {
    elements_.assign(1, 0.0);
  } catch (const std::bad_alloc&) {
    throw EKovixVectorError("Component \"" + name_ + "\": not enough memory on heap");
  }
}

void TVector::SetNrOfElem(int n) {
  if (n <= 0 || n == nr_of_elem_) return;
  Resize(n);
}

bool TVector::Resize(int n) {
  if (n == nr_of_elem_) return true;
  if (n < 1) return false;
  try {
    elements_.resize(static_cast<std::size_t>(n), 0.0);
  } catch (const std::bad_alloc&) {
    throw EKovixVectorError("Component \"" + name_ + "\": not enough memory");
  }
  nr_of_elem_ = n;
  Changed();
  return true;
}

void TVector::Fill(double value) {
  std::fill(elements_.begin(), elements_.end(), value);
  Changed();
}

void TVector::SortElems(bool ascending, int first, int last) {
  if (first > last) std::swap(first, last);
  first = std::clamp(first, 1, nr_of_elem_);
  last = std::clamp(last, 1, nr_of_elem_);
  int gap = last - first;
  if (gap <= 0) return;

  // The spline mirrors every exchange in its y vector, so the exchanges themselves (not only the
  // result) are part of the contract: keep this exact sequence of gaps and comparisons.
  auto e = [this](int i) -> double& { return elements_[static_cast<std::size_t>(i - 1)]; };
  bool swapped;
  do {
    gap = static_cast<int>(static_cast<long double>(gap) / 1.3L);
    if (gap == 0) gap = 1;
    swapped = false;
    for (int i = first; i + gap <= last; ++i) {
      const bool out_of_order = ascending ? e(i) > e(i + gap) : e(i) < e(i + gap);
      if (out_of_order) {
        std::swap(e(i), e(i + gap));
        swapped = true;
        if (OnSortExchange) OnSortExchange(*this, 0, i, i + gap, 0, 0);
      }
    }
  } while (gap != 1 || swapped);
  Changed();
}
