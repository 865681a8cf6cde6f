#include "fit/points_by_x.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// Digits of 11 bits: 2048 buckets, whose write positions stay in the second-level cache.
constexpr int kDigitBits = 11;
constexpr std::size_t kBuckets = std::size_t(1) << kDigitBits;
constexpr int kMaxPasses = (64 + kDigitBits - 1) / kDigitBits;
// Bits sorted beyond the log2(n) that n distinct keys need at least; with evenly spread x about
// one point in 2^12 shares its sorted bits with a neighbour.
constexpr int kSpareBits = 12;
// Runs of points that share the sorted bits up to this length are put in order by insertion.
constexpr std::size_t kShortRun = 32;

// The bits of x as an unsigned number in the order of x: negatives reversed below the positives.
std::uint64_t Key(double x) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  constexpr std::uint64_t kSign = std::uint64_t(1) << 63;
  return (bits & kSign) ? ~bits : bits | kSign;
}

double FromKey(std::uint64_t key) {
  constexpr std::uint64_t kSign = std::uint64_t(1) << 63;
  return std::bit_cast<double>((key & kSign) ? key & ~kSign : ~key);
}

// A key travels through the scratch arrays as the double of the same bits; it is only copied.
double Carried(std::uint64_t key) {
  return std::bit_cast<double>(key);
}

std::uint64_t Carried(double cell) {
  return std::bit_cast<std::uint64_t>(cell);
}

// Puts in order the runs of xs (ys in step) whose keys agree above bit low, each run's points
// next to each other and the runs in order already.
void OrderRuns(std::span<double> xs, std::span<double> ys, int low) {
  const std::size_t n = xs.size();
  std::vector<std::pair<double, double>> long_run;
  std::size_t start = 0;
  std::uint64_t prefix = Key(xs[0]) >> low;
  for (std::size_t i = 1; i <= n; ++i) {
    const std::uint64_t next = i < n ? Key(xs[i]) >> low : ~prefix;
    if (next == prefix) continue;
    const std::size_t length = i - start;
    if (length > kShortRun) {
      long_run.clear();
      for (std::size_t j = start; j < i; ++j) long_run.emplace_back(xs[j], ys[j]);
      std::stable_sort(long_run.begin(), long_run.end(),
                       [](const auto& a, const auto& b) { return Key(a.first) < Key(b.first); });
      for (std::size_t j = start; j < i; ++j) std::tie(xs[j], ys[j]) = long_run[j - start];
    } else if (length > 1) {
      for (std::size_t j = start + 1; j < i; ++j) {
        const double x = xs[j], y = ys[j];
        const std::uint64_t key = Key(x);
        std::size_t k = j;
        for (; k > start && Key(xs[k - 1]) > key; --k) {
          xs[k] = xs[k - 1];
          ys[k] = ys[k - 1];
        }
        xs[k] = x;
        ys[k] = y;
      }
    }
    start = i;
    prefix = next;
  }
}

}  // namespace

void SortPointsByX(std::span<const double> x, std::span<const double> y, std::span<double> xs,
                   std::span<double> ys, std::span<double> k1, std::span<double> v1,
                   std::span<double> k2, std::span<double> v2) {
  const std::size_t n = x.size();
  if (n == 0) return;
  const std::uint64_t first = Key(x[0]);
  std::uint64_t varying = 0;
  for (std::size_t i = 0; i < n; ++i) varying |= Key(x[i]) ^ first;
  if (varying == 0) {
    std::copy(x.begin(), x.end(), xs.begin());
    std::copy(y.begin(), y.end(), ys.begin());
    return;
  }
  // Only the bits from the lowest to the highest that differ between keys need sorting, and of
  // those only the top ones that tell n points apart with room to spare: keys equal in them are
  // few and next to each other after the passes, and the last step below puts them in order.
  const int lowest = std::countr_zero(varying);
  const int high = 63 - std::countl_zero(varying);
  const int wanted = std::bit_width(n) + kSpareBits;
  const int passes =
      std::min((high - lowest) / kDigitBits + 1, (wanted + kDigitBits - 1) / kDigitBits);
  const int low = std::max(lowest, high + 1 - passes * kDigitBits);
  auto digit = [low](std::uint64_t key, int pass) {
    return static_cast<std::size_t>((key >> (low + pass * kDigitBits)) & (kBuckets - 1));
  };
  std::vector<std::array<std::size_t, kBuckets>> counts(static_cast<std::size_t>(passes));
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t key = Key(x[i]);
    for (int pass = 0; pass < passes; ++pass)
      ++counts[static_cast<std::size_t>(pass)][digit(key, pass)];
  }
  // A pass whose digit every key shares would only copy.
  std::array<int, kMaxPasses> needed{};
  int count = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const auto& c = counts[static_cast<std::size_t>(pass)];
    if (std::find(c.begin(), c.end(), n) == c.end())
      needed[static_cast<std::size_t>(count++)] = pass;
  }

  // Ping-pong between the two scratch pairs; the first pass reads the points, the last writes
  // xs and ys.
  std::span<double> from_k = k1, from_v = v1, to_k = k2, to_v = v2;
  for (int step = 0; step < count; ++step) {
    const int pass = needed[static_cast<std::size_t>(step)];
    std::array<std::size_t, kBuckets> next{};
    std::size_t sum = 0;
    const auto& c = counts[static_cast<std::size_t>(pass)];
    for (std::size_t b = 0; b < kBuckets; ++b) {
      next[b] = sum;
      sum += c[b];
    }
    auto scatter = [&](auto read, auto write) {
      for (std::size_t i = 0; i < n; ++i) {
        const auto [key, value] = read(i);
        write(next[digit(key, pass)]++, key, value);
      }
    };
    auto read_points = [&](std::size_t i) { return std::pair{Key(x[i]), y[i]}; };
    auto read_scratch = [&](std::size_t i) { return std::pair{Carried(from_k[i]), from_v[i]}; };
    auto write_points = [&](std::size_t at, std::uint64_t key, double value) {
      xs[at] = FromKey(key);
      ys[at] = value;
    };
    auto write_scratch = [&](std::size_t at, std::uint64_t key, double value) {
      to_k[at] = Carried(key);
      to_v[at] = value;
    };
    if (step == 0 && step == count - 1) {
      scatter(read_points, write_points);
    } else if (step == 0) {
      scatter(read_points, write_scratch);
    } else if (step == count - 1) {
      scatter(read_scratch, write_points);
    } else {
      scatter(read_scratch, write_scratch);
    }
    std::swap(from_k, to_k);
    std::swap(from_v, to_v);
  }
  if (low > lowest) OrderRuns(xs, ys, low);
}
