#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/frm_main.h"
#include "bench/bench_csv.h"
#include "bench/offscreen_app.h"

namespace {

// From the file name to the painted chart: the window reads the file, replaces the points and
// marks, sets the axes and paints, then Qt shows the picture.
void BM_OpenInWindow(benchmark::State& state) {
  StartOffscreenApplication();
  const std::string path = BenchCsv();
  TFrmMain window;
  window.show();
  QApplication::processEvents();
  for (auto _ : state) {
    window.OpenDataFile(path);
    QApplication::processEvents();
    benchmark::DoNotOptimize(window.Stats1.NumPoints());
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_OpenInWindow)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
