#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_csv.h"
#include "io/data_file.h"
#include "io/points_writer.h"

namespace {

constexpr int kPoints = 1000000;

struct Columns {
  std::vector<double> x, y;
};

// The points of points_1e6.csv as the reader gives them: ten significant digits, as measured.
const Columns& Measured() {
  static const Columns columns = [] {
    const DataFileResult file = ReadDataFile(BenchCsv());
    Columns c;
    for (const DataPoint& p : file.points) c.x.push_back(p.x), c.y.push_back(p.y);
    return c;
  }();
  return columns;
}

// The same formula unrounded, as computed values fill a store: mostly 16 and 17 digits.
// peers.py's computed_data.
const Columns& Computed() {
  static const Columns columns = [] {
    Columns c;
    unsigned state = 12345;
    for (int i = 0; i < kPoints; ++i) {
      state = state * 1664525u + 1013904223u;
      const double x = i * 0.001 + (state >> 8) / 16777216.0 * 1e-4;
      c.x.push_back(x);
      c.y.push_back(3 * std::sin(x) + (state & 0xFFFF) / 65536.0);
    }
    return c;
  }();
  return columns;
}

const std::string kSaved = "build-bench/results/saved_1e6.csv";

// From the open to the close of the file, as numpy.savetxt and DataFrame.to_csv do it.
bool Save(const Columns& c, const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = WritePoints(fd, c.x, c.y, PointsLayoutFor(path));
  return ::close(fd) == 0 && ok;
}

void SaveCsv(benchmark::State& state, const Columns& c) {
  for (auto _ : state)
    if (!Save(c, kSaved)) state.SkipWithError(std::strerror(errno));
  state.SetItemsProcessed(state.iterations() * std::int64_t(c.x.size()));
}
void BM_SaveCsvMeasured(benchmark::State& state) {
  SaveCsv(state, Measured());
}
BENCHMARK(BM_SaveCsvMeasured)->Arg(kPoints)->Unit(benchmark::kMillisecond);
void BM_SaveCsvComputed(benchmark::State& state) {
  SaveCsv(state, Computed());
}
BENCHMARK(BM_SaveCsvComputed)->Arg(kPoints)->Unit(benchmark::kMillisecond);

// The computed points saved, read back: mostly 17-digit numbers, beyond the reader's fast path.
void BM_ReadSavedCsv(benchmark::State& state) {
  if (!Save(Computed(), kSaved)) state.SkipWithError(std::strerror(errno));
  for (auto _ : state) {
    const DataFileResult r = ReadDataFile(kSaved);
    if (!r.Ok()) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(r.points.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ReadSavedCsv)->Arg(kPoints)->Unit(benchmark::kMillisecond);

}  // namespace
