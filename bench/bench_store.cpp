#include <benchmark/benchmark.h>

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

void BM_AddPoint(benchmark::State& state) {
  const std::vector<double> xs = Coordinates(kPoints, 1);
  const std::vector<double> ys = Coordinates(kPoints, 2);
  TRovavAza store;
  for (auto _ : state) {
    store.ClearData();
    for (int i = 0; i < kPoints; ++i) store.AddPoint(xs[i], ys[i]);
    benchmark::DoNotOptimize(store.Sums());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
  state.counters["ns_per_point"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kPoints,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AddPoint)->Unit(benchmark::kMillisecond);

// A fresh store each time: includes growing the table from 1000 rows to 10^6.
void BM_AddPointFreshStore(benchmark::State& state) {
  const std::vector<double> xs = Coordinates(kPoints, 1);
  const std::vector<double> ys = Coordinates(kPoints, 2);
  for (auto _ : state) {
    TRovavAza store;
    for (int i = 0; i < kPoints; ++i) store.AddPoint(xs[i], ys[i]);
    benchmark::DoNotOptimize(store.Sums());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
  state.counters["ns_per_point"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kPoints,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AddPointFreshStore)->Unit(benchmark::kMillisecond);

}  // namespace
