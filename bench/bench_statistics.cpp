#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "base/data_point.h"
#include "bench/bench_data.h"
#include "fit/polynomial_curve.h"
#include "fit/regression_statistics.h"
#include "fit/rovav_aza.h"

namespace {

void PerPoint(benchmark::State& state, int n) {
  // Shown as seconds per point with an SI prefix ("4.5n" is 4.5 ns).
  state.counters["per_point"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// What `--fit poly:p --stats` waits for on points just read: a new store, the points added, the
// fit and, with statistics, its covariance, rank, condition and the rest. The peer is
// numpy.polyfit(x, y, p, cov=True) on the same points.
void PolynomialFitFresh(benchmark::State& state, bool withStatistics) {
  const auto order = static_cast<std::uint8_t>(state.range(0));
  const int n = static_cast<int>(state.range(1));
  const std::vector<DataPoint> points = NoisySine(n);
  for (auto _ : state) {
    TRovavAza store;
    store.AddPoints(points);
    std::array<double, 11> k{};
    double q = 0;
    bool rank_deficient = false;
    PolynomialCurve curve;
    benchmark::DoNotOptimize(store.CalcPolynomialFit(order, k, q, rank_deficient, curve));
    if (withStatistics) {
      RegressionInput in;
      in.x = store.PointTable().Column(1).first(static_cast<std::size_t>(n));
      in.y = store.PointTable().Column(2).first(static_cast<std::size_t>(n));
      in.order = order;
      in.fitted = [&curve](double x) { return curve.ExtendedValue(x); };
      in.solved_raw = !curve.Centred();
      benchmark::DoNotOptimize(LeastSquaresStatistics(in).condition);
    }
    benchmark::DoNotOptimize(k);
  }
  PerPoint(state, n);
}
void BM_PolynomialFitWithStatistics(benchmark::State& state) {
  PolynomialFitFresh(state, true);
}
BENCHMARK(BM_PolynomialFitWithStatistics)
    ->ArgNames({"order", "n"})
    ->Args({9, 100000})
    ->Unit(benchmark::kMillisecond);
void BM_PolynomialFitFreshPoints(benchmark::State& state) {
  PolynomialFitFresh(state, false);
}
BENCHMARK(BM_PolynomialFitFreshPoints)
    ->ArgNames({"order", "n"})
    ->Args({9, 100000})
    ->Unit(benchmark::kMillisecond);

// The line and its statistics on bench_fits.cpp's store, beside BM_CalcLinFit there: with the
// mean of x from the running sums as the centre, the statistics are one pass over the points.
// The sums are brought up to date once, outside the loop (Sums() does that on first use).
void BM_LinFitWithStatistics(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::unique_ptr<TRovavAza> store = NoisyLineStore(n);
  const long double mean_x = store->Sums().SumX / n;
  for (auto _ : state) {
    double k = 0, d = 0, q = 0;
    store->CalcLinFit(k, d, q);
    RegressionInput in;
    in.x = store->PointTable().Column(1).first(static_cast<std::size_t>(n));
    in.y = store->PointTable().Column(2).first(static_cast<std::size_t>(n));
    in.fitted = [k, d](double x) { return d + static_cast<long double>(k) * x; };
    in.centre = mean_x;
    benchmark::DoNotOptimize(LeastSquaresStatistics(in).sigma2);
  }
  PerPoint(state, n);
}
BENCHMARK(BM_LinFitWithStatistics)->ArgName("n")->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
