#include "format/format_fixed_width.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// Mixed magnitudes from 1e-6 to 1e12 with both signs, the same set for every run.
const std::vector<double>& Values() {
  static const std::vector<double> values = [] {
    std::mt19937_64 gen(20261210);
    std::uniform_real_distribution<double> exponent(-6.0, 12.0);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::vector<double> v(4096);
    for (double& x : v) {
      x = mantissa(gen) * std::pow(10.0, std::floor(exponent(gen)));
      if (gen() & 1U) x = -x;
    }
    return v;
  }();
  return values;
}

void BM_FormatFixedWidth(benchmark::State& state) {
  const auto& values = Values();
  std::size_t i = 0;
  for (auto _ : state) {
    std::string text = FormatFixedWidth(1, 6, values[i]);
    benchmark::DoNotOptimize(text);
    i = (i + 1) % values.size();
  }
}
BENCHMARK(BM_FormatFixedWidth);

void BM_FormatFixedWidthExponent(benchmark::State& state) {
  const auto& values = Values();
  std::size_t i = 0;
  for (auto _ : state) {
    std::string text = FormatFixedWidth(10, -2, values[i]);
    benchmark::DoNotOptimize(text);
    i = (i + 1) % values.size();
  }
}
BENCHMARK(BM_FormatFixedWidthExponent);

// Yardstick: the C library's fixed-point conversion of the same values into a string.
void BM_SnprintfFixed6(benchmark::State& state) {
  const auto& values = Values();
  std::size_t i = 0;
  char buffer[64];
  for (auto _ : state) {
    const int n = std::snprintf(buffer, sizeof buffer, "%.6f", values[i]);
    std::string text(buffer, static_cast<std::size_t>(n));
    benchmark::DoNotOptimize(text);
    i = (i + 1) % values.size();
  }
}
BENCHMARK(BM_SnprintfFixed6);

}  // namespace
