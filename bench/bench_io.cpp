#include <benchmark/benchmark.h>

#include "bench/bench_csv.h"
#include "fit/rovav_aza.h"
#include "io/data_file.h"

namespace {

// Reading alone, of the plain file and of its twin with every field quoted.
void ReadOnly(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    const DataFileResult r = ReadDataFile(path);
    if (!r.Ok()) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(r.points.data());
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
void BM_ReadCsvOnly(benchmark::State& state) {
  ReadOnly(state, BenchCsv());
}
BENCHMARK(BM_ReadCsvOnly)->Arg(1000000)->Unit(benchmark::kMillisecond);
void BM_ReadQuotedCsvOnly(benchmark::State& state) {
  ReadOnly(state, BenchQuotedCsv());
}
BENCHMARK(BM_ReadQuotedCsvOnly)->Arg(1000000)->Unit(benchmark::kMillisecond);

// From the file name to the points in the store, as the window and the command line do it.
void BM_ReadCsv(benchmark::State& state) {
  const std::string path = BenchCsv();
  for (auto _ : state) {
    const DataFileResult r = ReadDataFile(path);
    if (!r.Ok()) state.SkipWithError(r.error.c_str());
    TRovavAza store;
    store.AddPoints(r.points);
    benchmark::DoNotOptimize(store.NumPoints());
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_ReadCsv)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
