#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "base/data_point.h"
#include "bench/bench_data.h"
#include "fit/rovav_aza.h"
#include "fit/tied_spline.h"

namespace {

// n points on a noisy sine over [0, 10), added in a scrambled order. Filled once per size,
// outside the timed loops.
std::unique_ptr<TRovavAza> MakeStore(int n) {
  auto store = std::make_unique<TRovavAza>();
  for (const DataPoint& p : NoisySine(n)) store->AddPoint(p.x, p.y);
  return store;
}

// One store per maker and size, filled on first use.
TRovavAza& CachedStore(std::unique_ptr<TRovavAza> (*make)(int), int n) {
  static std::map<std::pair<void*, int>, std::unique_ptr<TRovavAza>> stores;
  auto& store = stores[{reinterpret_cast<void*>(make), n}];
  if (!store) store = make(n);
  return *store;
}

TRovavAza& StoreOf(int n) {
  return CachedStore(MakeStore, n);
}

// What an imported measurement looks like: x drawn at random over [0, 10), so that neighbours
// come very close (at 10^5 points the closest pair is about 1e-9 apart), y a sine with noise.
std::unique_ptr<TRovavAza> MakeRandomXStore(int n) {
  auto store = std::make_unique<TRovavAza>();
  unsigned state = 777;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 16777216.0;  // [0, 1)
  };
  for (int i = 0; i < n; ++i) {
    // Two draws make a 48-bit fraction, so that no two x values coincide.
    const double x = 10.0 * (next() + next() / 16777216.0);
    store->AddPoint(x, std::sin(x) + 0.3 * (next() - 0.5));
  }
  return store;
}

TRovavAza& RandomXStoreOf(int n) {
  return CachedStore(MakeRandomXStore, n);
}

void PerPoint(benchmark::State& state, int n) {
  // Shown as seconds per point with an SI prefix ("4.5n" is 4.5 ns).
  state.counters["per_point"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_CalcPolynomialFit(benchmark::State& state) {
  const auto order = static_cast<std::uint8_t>(state.range(0));
  const int n = static_cast<int>(state.range(1));
  const TRovavAza& store = StoreOf(n);
  std::array<double, 11> k{};
  double q = 0;
  bool rank_deficient = false;
  for (auto _ : state) {
    benchmark::DoNotOptimize(store.CalcPolynomialFit(order, k, q, rank_deficient));
    benchmark::DoNotOptimize(k);
  }
  PerPoint(state, n);
}
BENCHMARK(BM_CalcPolynomialFit)
    ->ArgNames({"order", "n"})
    ->ArgsProduct({{1, 5, 9}, {1000, 100000}})
    ->Unit(benchmark::kMillisecond);

// A change of the factor followed by one evaluation: the full computation of the spline.
void BM_SplineComputation(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TRovavAza& store = StoreOf(n);
  store.SetSmoothingFactor(0.5);
  double q = 0;
  bool valid = false;
  for (auto _ : state) {
    store.SetSmoothingFactor(0.5);
    benchmark::DoNotOptimize(store.SmoothSplineValue(5.0, q, valid));
  }
  PerPoint(state, n);
}
BENCHMARK(BM_SplineComputation)
    ->ArgName("n")
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

std::vector<DataPoint> PointsOf(const TRovavAza& store) {
  std::vector<DataPoint> points;
  points.reserve(static_cast<std::size_t>(store.NumPoints()));
  for (int i = 1; i <= store.NumPoints(); ++i) {
    points.push_back({store.PointTable().Elem(1, i), store.PointTable().Elem(2, i)});
  }
  return points;
}

// The first spline on freshly entered points with random x, the data whose close neighbours
// make the spline hard: the sort and a search without an earlier result to start from, as a
// peer that is handed the points does. The store is the one an open reuses (ClearData,
// AddPoints), so the spline's arrays are at hand from the last time. With statistics, the
// spline's smoothing parameter, tr A, σ̂², GCV and every knot's leverage as well; the peer is
// the same UnivariateSpline alone.
void SplineRandomX(benchmark::State& state, bool withStatistics) {
  const int n = static_cast<int>(state.range(0));
  TRovavAza& store = RandomXStoreOf(n);
  const std::vector<DataPoint> points = PointsOf(store);
  double q = 0;
  bool valid = false;
  for (auto _ : state) {
    state.PauseTiming();
    store.ClearData();
    store.AddPoints(points);
    store.SetSmoothingFactor(0.5);
    state.ResumeTiming();
    benchmark::DoNotOptimize(store.SmoothSplineValue(5.0, q, valid));
    if (withStatistics) benchmark::DoNotOptimize(store.SmoothSplineStatistics().gcv);
  }
  PerPoint(state, n);
}
void BM_SplineRandomX(benchmark::State& state) {
  SplineRandomX(state, false);
}
BENCHMARK(BM_SplineRandomX)
    ->ArgName("n")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);
void BM_SplineWithStatisticsRandomX(benchmark::State& state) {
  SplineRandomX(state, true);
}
BENCHMARK(BM_SplineWithStatisticsRandomX)
    ->ArgName("n")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);

// Readings rounded to four decimals: x at random over [0, 10) rounded to 1e-4, so that 10^6
// points fall on 10^5 values, about ten to each, y a noisy sine. The store refuses them; the
// merged spline takes them (sort, groups, the store's line fit, the solver on the groups) and
// with statistics adds tr A, σ̂², GCV and the leverages counting the original points. The peer is
// UnivariateSpline on the same groups (means weighted by √count), which has them merged already.
struct RoundedPoints {
  std::vector<double> x, y;
};

const RoundedPoints& RoundedPointsOf(int n) {
  static std::map<int, RoundedPoints> cache;
  RoundedPoints& points = cache[n];
  if (points.x.empty()) {
    unsigned state = 999;
    auto next = [&state] {
      state = state * 1664525u + 1013904223u;
      return static_cast<double>(state >> 8) / 16777216.0;  // [0, 1)
    };
    for (int i = 0; i < n; ++i) {
      const double x = std::floor(1e5 * next()) / 1e4;
      points.x.push_back(x);
      points.y.push_back(std::sin(x) + 0.3 * (next() - 0.5));
    }
  }
  return points;
}

void MergedSplineRoundedX(benchmark::State& state, bool withStatistics) {
  const int n = static_cast<int>(state.range(0));
  const RoundedPoints& points = RoundedPointsOf(n);
  bool valid = false;
  for (auto _ : state) {
    const MergedSmoothingSpline spline(points.x, points.y, 0.5);
    benchmark::DoNotOptimize(spline.Value(5.0, valid));
    if (withStatistics) benchmark::DoNotOptimize(spline.Statistics().gcv);
  }
  PerPoint(state, n);
}
void BM_MergedSplineRoundedX(benchmark::State& state) {
  MergedSplineRoundedX(state, false);
}
BENCHMARK(BM_MergedSplineRoundedX)->ArgName("n")->Arg(1000000)->Unit(benchmark::kMillisecond);
void BM_MergedSplineWithStatisticsRoundedX(benchmark::State& state) {
  MergedSplineRoundedX(state, true);
}
BENCHMARK(BM_MergedSplineWithStatisticsRoundedX)
    ->ArgName("n")
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

// The merged spline on the random-x store's points, which repeat no x: the store's spline by
// another way, which builds a store of its own for the line fit.
void BM_MergedSplineRandomX(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<DataPoint> points = PointsOf(RandomXStoreOf(n));
  std::vector<double> x, y;
  for (const DataPoint& p : points) {
    x.push_back(p.x);
    y.push_back(p.y);
  }
  bool valid = false;
  for (auto _ : state) {
    const MergedSmoothingSpline spline(x, y, 0.5);
    benchmark::DoNotOptimize(spline.Value(5.0, valid));
  }
  PerPoint(state, n);
}
BENCHMARK(BM_MergedSplineRandomX)->ArgName("n")->Arg(1000000)->Unit(benchmark::kMillisecond);

// The same on a new store: the spline's arrays are fresh memory, and each page costs a fault on
// first touch, as at the first spline of a session.
void BM_SplineRandomXFreshStore(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<DataPoint> points = PointsOf(RandomXStoreOf(n));
  double q = 0;
  bool valid = false;
  std::unique_ptr<TRovavAza> store;
  for (auto _ : state) {
    state.PauseTiming();
    store.reset();
    store = std::make_unique<TRovavAza>();
    store->AddPoints(points);
    store->SetSmoothingFactor(0.5);
    state.ResumeTiming();
    benchmark::DoNotOptimize(store->SmoothSplineValue(5.0, q, valid));
  }
  PerPoint(state, n);
}
BENCHMARK(BM_SplineRandomXFreshStore)
    ->ArgName("n")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);

// Dragging the smoothing scroll bar: each iteration moves it one position and recomputes, the
// previous spline being at hand as it is while dragging.
void BM_SplineScrollStep(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TRovavAza& store = RandomXStoreOf(n);
  double q = 0;
  bool valid = false;
  int position = 500;
  store.SetSmoothingFactor(position / 1000.0);
  store.SmoothSplineValue(5.0, q, valid);
  for (auto _ : state) {
    position = position == 500 ? 501 : 500;
    store.SetSmoothingFactor(position / 1000.0);
    benchmark::DoNotOptimize(store.SmoothSplineValue(5.0, q, valid));
  }
  PerPoint(state, n);
}
BENCHMARK(BM_SplineScrollStep)
    ->ArgName("n")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

// What a redraw asks of a computed spline: the value at MinX and at 200 further x values across
// the range.
void BM_SplineSweep(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TRovavAza& store = StoreOf(n);
  store.SetSmoothingFactor(0.5);
  double q = 0;
  bool valid = false;
  store.SmoothSplineValue(5.0, q, valid);
  const double lo = store.MinX();
  const double width = 10.0 - lo;
  for (auto _ : state) {
    double sum = store.SmoothSplineValue(lo, q, valid);
    for (int i = 1; i <= 200; ++i) sum += store.SmoothSplineValue(lo + width * i / 200, q, valid);
    benchmark::DoNotOptimize(sum);
  }
  state.counters["per_value"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 201,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SplineSweep)
    ->ArgName("n")
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
