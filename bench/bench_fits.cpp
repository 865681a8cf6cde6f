#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "bench/bench_data.h"
#include "fit/rovav_aza.h"

namespace {

// One filled store per size, shared by all fits and filled outside the timed loops. Positive x
// and y, so that every fit accepts the data.
const TRovavAza& StoreOf(int n) {
  static std::map<int, std::unique_ptr<TRovavAza>> stores;
  auto& store = stores[n];
  if (!store) store = NoisyLineStore(n);
  return *store;
}

void PerPoint(benchmark::State& state, int n) {
  // Shown as seconds per point with an SI prefix ("4.5n" is 4.5 ns).
  state.counters["per_point"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_CalcLinFit(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const TRovavAza& store = StoreOf(n);
  double k = 0, d = 0, q = 0;
  for (auto _ : state) {
    store.CalcLinFit(k, d, q);
    benchmark::DoNotOptimize(q);
  }
  PerPoint(state, n);
}

void BM_CalcParabolFit(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const TRovavAza& store = StoreOf(n);
  double k0 = 0, k1 = 0, k2 = 0, q = 0;
  for (auto _ : state) {
    store.CalcParabolFit(k0, k1, k2, q);
    benchmark::DoNotOptimize(q);
  }
  PerPoint(state, n);
}

// The transformed fits read only the running sums: the time per call must not grow with n.
template <void (TRovavAza::*Fit)(double&, double&, double&) const>
void BM_Transformed(benchmark::State& state) {
  const TRovavAza& store = StoreOf(static_cast<int>(state.range(0)));
  double k0 = 0, k1 = 0, q = 0;
  for (auto _ : state) {
    (store.*Fit)(k0, k1, q);
    benchmark::DoNotOptimize(q);
  }
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->Arg(100000)->Arg(1000000);
}

BENCHMARK(BM_CalcLinFit)->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CalcParabolFit)->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Transformed<&TRovavAza::CalcReciLinFit>)->Name("BM_CalcReciLinFit")->Apply(Sizes);
BENCHMARK(BM_Transformed<&TRovavAza::CalcLogFit>)->Name("BM_CalcLogFit")->Apply(Sizes);
BENCHMARK(BM_Transformed<&TRovavAza::CalcReciLogFit>)->Name("BM_CalcReciLogFit")->Apply(Sizes);
BENCHMARK(BM_Transformed<&TRovavAza::CalcExponentialFit>)
    ->Name("BM_CalcExponentialFit")
    ->Apply(Sizes);

}  // namespace
