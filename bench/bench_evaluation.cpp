#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>

#include "app/evaluation_windows.h"
#include "app/frm_main.h"
#include "bench/bench_csv.h"
#include "bench/offscreen_app.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"

namespace {

enum Evaluation { kPlain, kStatisticsAndBands, kResiduals };

// The window with the million points of bench_open's file, with the statistics window open and
// the bands shown, or the residual window open, or neither.
TFrmMain& Window(Evaluation evaluation) {
  StartOffscreenApplication();
  static TFrmMain* window = [] {
    auto* w = new TFrmMain;
    w->show();
    w->OpenDataFile(BenchCsv());
    QApplication::processEvents();
    return w;
  }();
  const bool bands = evaluation == kStatisticsAndBands;
  if (bands != window->BaenderZeigen1->isChecked()) window->BaenderZeigen1->trigger();
  if (bands)
    window->Statistik1->trigger();
  else if (window->Statistik)
    window->Statistik->close();
  if (evaluation == kResiduals)
    window->Residuen1->trigger();
  else if (window->Residuen)
    window->Residuen->close();
  QApplication::processEvents();
  return *window;
}

// What a user waits for after pressing a model's button: the fit, the curve, the labels and
// the painted chart; with the statistics window and the bands, their report and bands too; with
// the residual window, its painted chart.
void BM_ModelChange(benchmark::State& state) {
  const auto evaluation = Evaluation(state.range(0));
  TFrmMain& w = Window(evaluation);
  bool parabola = false;
  for (auto _ : state) {
    (parabola ? w.BButParabolFit : w.BButLinFit)->click();
    parabola = !parabola;
    QApplication::processEvents();
  }
  state.SetLabel(evaluation == kPlain                ? "plain"
                 : evaluation == kStatisticsAndBands ? "statistics window and bands"
                                                     : "residual window");
}
BENCHMARK(BM_ModelChange)
    ->ArgName("evaluation")
    ->Arg(kPlain)
    ->Arg(kStatisticsAndBands)
    ->Arg(kResiduals)
    ->Unit(benchmark::kMillisecond);

// A picture of the million points drawn anew, as a pan step draws it: the main chart and the
// residual chart beside it.
void BM_ChartRepaint(benchmark::State& state) {
  TFrmMain& w = Window(kResiduals);
  w.BButLinFit->click();
  QApplication::processEvents();
  TVArori& chart = state.range(0) ? w.Residuen->Chart : w.VArori1;
  for (auto _ : state) {
    chart.Scale1Y().SetRangeHigh(chart.Scale1Y().RangeHigh() * 1.0001);
    QApplication::processEvents();
  }
  state.SetLabel(state.range(0) ? "residual chart" : "main chart");
}
BENCHMARK(BM_ChartRepaint)->ArgName("residuals")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One step of the smoothing bar, plain and with the spline's bands shown.
void BM_SplineStep(benchmark::State& state) {
  TFrmMain& w = Window(state.range(0) ? kStatisticsAndBands : kPlain);
  w.SBarSmoothSpline->SetPosition(500);
  w.BButSpline->click();
  QApplication::processEvents();
  int position = 500;
  for (auto _ : state) {
    position = position == 500 ? 501 : 500;
    w.SBarSmoothSpline->SetPosition(position);
    QApplication::processEvents();
  }
  state.SetLabel(state.range(0) ? "statistics window and bands" : "plain");
}
BENCHMARK(BM_SplineStep)->ArgName("evaluation")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
