#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/frm_main.h"
#include "bench/bench_csv.h"
#include "platform/qt/install.h"

namespace {

// From the file name to the painted chart: the window reads the file, replaces the points and
// marks, sets the axes and paints, then Qt shows the picture.
void BM_OpenInWindow(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "bench_open";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: the window's objects may outlive this function's statics at exit.
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
  platform_qt::InstallQtPlatform();
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
