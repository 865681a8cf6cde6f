#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>

#include "app/evaluation_windows.h"
#include "app/frm_main.h"
#include "bench/bench_csv.h"
#include "platform/qt/install.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"

namespace {

// The window with the million points of bench_open's file; `evaluation`: the statistics window
// open and the bands shown.
TFrmMain& Window(bool evaluation) {
  static int argc = 1;
  static char name[] = "bench_evaluation";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: the window's objects may outlive this function's statics at exit.
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
  platform_qt::InstallQtPlatform();
  static TFrmMain* window = [] {
    auto* w = new TFrmMain;
    w->show();
    w->OpenDataFile(BenchCsv());
    QApplication::processEvents();
    return w;
  }();
  if (evaluation && !window->BaenderZeigen1->isChecked()) {
    window->Statistik1->trigger();
    window->BaenderZeigen1->trigger();
  }
  if (!evaluation && window->BaenderZeigen1->isChecked()) {
    window->BaenderZeigen1->trigger();
    window->Statistik->close();
  }
  QApplication::processEvents();
  return *window;
}

// What a user waits for after pressing a model's button: the fit, the curve, the labels and
// the painted chart; with the statistics window and the bands, their report and bands too.
void BM_ModelChange(benchmark::State& state) {
  TFrmMain& w = Window(state.range(0) != 0);
  bool parabola = false;
  for (auto _ : state) {
    (parabola ? w.BButParabolFit : w.BButLinFit)->click();
    parabola = !parabola;
    QApplication::processEvents();
  }
  state.SetLabel(state.range(0) ? "statistics window and bands" : "plain");
}
BENCHMARK(BM_ModelChange)->ArgName("evaluation")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One step of the smoothing bar with the spline's bands shown.
void BM_SplineStepWithBands(benchmark::State& state) {
  TFrmMain& w = Window(true);
  w.SBarSmoothSpline->SetPosition(500);
  w.BButSpline->click();
  QApplication::processEvents();
  int position = 500;
  for (auto _ : state) {
    position = position == 500 ? 501 : 500;
    w.SBarSmoothSpline->SetPosition(position);
    QApplication::processEvents();
  }
}
BENCHMARK(BM_SplineStepWithBands)->Unit(benchmark::kMillisecond);

}  // namespace
