#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A 1-based vector of doubles. Reads outside 1..NrOfElem give 0 and writes there are ignored.
class TVector {
 public:
  using TNotifyEvent = std::function<void(TVector& sender)>;
  using TSortExchgEvent = std::function<void(TVector& sender, std::uint8_t exchg_what, int index1,
                                             int index2, int first, int last)>;

  // One element, 0.0.
  TVector();
  TVector(const TVector&) = delete;
  TVector& operator=(const TVector&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  int NrOfElem() const { return nr_of_elem_; }
  // Values below 1 and the current count are ignored.
  void SetNrOfElem(int n);
  // Keeps the first min(old, n) elements; new ones are 0. False for n < 1.
  bool Resize(int n);

  double Elem(int i) const {
    return (i >= 1 && i <= nr_of_elem_) ? elements_[static_cast<std::size_t>(i - 1)] : 0.0;
  }
  void SetElem(int i, double value) {
    if (i < 1 || i > nr_of_elem_) return;
    elements_[static_cast<std::size_t>(i - 1)] = value;
    Changed();
  }

  void Fill(double value);
  // Comb sort of the elements first..last (bounds swapped and clamped first).
  void SortElems(bool ascending, int first, int last);

  TNotifyEvent OnChange;
  TSortExchgEvent OnSortExchange;

 private:
  void Changed() {
    if (OnChange) OnChange(*this);
  }

  std::string name_;
  int nr_of_elem_ = 1;
  std::vector<double> elements_;
};
