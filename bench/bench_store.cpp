#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "fit/rovav_aza.h"

namespace {

constexpr int kPoints = 1000000;

// Points with positive and non-positive coordinates, so every branch of the sums is taken.
std::vector<double> Coordinates(int n, unsigned seed) {
  std::vector<double> v(static_cast<std::size_t>(n));
  unsigned state = seed;
  for (double& value : v) {
    state = state * 1664525u + 1013904223u;
    value = static_cast<double>(state % 20001) / 100.0 - 50.0;
  }
  return v;
}

// Reused store: ClearData between runs keeps the grown table. Fresh store: each run includes
// growing the table from 1000 rows to 10^6.
void AddPoints(benchmark::State& state, bool freshStore) {
  const std::vector<double> xs = Coordinates(kPoints, 1);
  const std::vector<double> ys = Coordinates(kPoints, 2);
  auto reused = std::make_unique<TRovavAza>();
  for (auto _ : state) {
    if (freshStore) {
      reused = std::make_unique<TRovavAza>();
    } else {
      reused->ClearData();
    }
    for (int i = 0; i < kPoints; ++i) reused->AddPoint(xs[i], ys[i]);
    benchmark::DoNotOptimize(reused->Sums());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
  state.counters["ns_per_point"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kPoints,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_AddPoint(benchmark::State& state) {
  AddPoints(state, false);
}
void BM_AddPointFreshStore(benchmark::State& state) {
  AddPoints(state, true);
}
BENCHMARK(BM_AddPoint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddPointFreshStore)->Unit(benchmark::kMillisecond);

}  // namespace
