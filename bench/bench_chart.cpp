#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <memory>
#include <random>
#include <vector>

#include "chart/varori.h"
#include "platform/qt/image_host.h"
#include "platform/qt/install.h"

namespace {

void StartQt() {
  static int argc = 1;
  static char name[] = "bench_chart";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
  platform_qt::InstallQtPlatform();
}

constexpr int kDataWidth = 600;
constexpr int kDataHeight = 500;

std::vector<DataPoint> RandomPoints(int n) {
  std::mt19937 gen(42);
  std::uniform_real_distribution<double> u(0.0, 10.0);
  std::vector<DataPoint> points(static_cast<std::size_t>(n));
  for (auto& p : points) p = {u(gen), u(gen)};
  return points;
}

// The main window's chart with a 600 x 500 data area, n marks of shape 26 and one curve of
// 201 items, on a screen of the given device pixel ratio (the window's screen image without a
// widget).
struct Chart {
  Chart(int marks, double ratio) {
    chart.BeginLoading();
    chart.SetMarginRight(16);
    chart.SetGridStyle(gsDotLines);
    chart.SetGridColor(platform::clSilver);
    chart.SetDataColor(platform::clGreen);
    chart.SetMouseAction(maPan);
    for (TScaleProps* p : {static_cast<TScaleProps*>(&chart.Scale1X()),
                           static_cast<TScaleProps*>(&chart.Scale1Y())}) {
      p->SetRangeHigh(10);
      p->SetMinTicks(6);
      p->SetShortTicks(false);
      p->SetVisible(true);
    }
    chart.Loaded();
    host = std::make_unique<platform_qt::ImageHost>(chart, ratio);
    chart.SetBounds(0, 0, 50 + 16 + kDataWidth - 1, 20 + 40 + kDataHeight - 1);
    chart.AddMarks(RandomPoints(marks), 26);
    chart.AddMovePoint(0, 0);
    for (int i = 1; i <= 200; ++i) chart.AddLinePoint(i / 20.0, 10 * std::sin(i / 30.0));
    chart.Repaint();
  }
  const QImage& Image() const { return host->Image(); }
  TVArori chart;
  std::unique_ptr<platform_qt::ImageHost> host;
};

void BM_ShowItems(benchmark::State& state) {
  StartQt();
  Chart c(int(state.range(0)), double(state.range(1)));
  for (auto _ : state) {
    c.chart.ShowItems();
    benchmark::DoNotOptimize(c.Image().constBits());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
// Second argument: the device pixel ratio.
BENCHMARK(BM_ShowItems)
    ->ArgsProduct({{1000, 10000, 100000, 1000000}, {1, 2}})
    ->Unit(benchmark::kMillisecond);

// The yardstick: a plain QPainter loop drawing the same dots into an image of the same size and
// ratio.
void BM_QPainterDots(benchmark::State& state) {
  StartQt();
  const auto points = RandomPoints(int(state.range(0)));
  const int ratio = int(state.range(1));
  QImage image(kDataWidth * ratio, kDataHeight * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0, 128, 0));
    p.setBrush(QColor(0, 128, 0));
    for (const auto& [x, y] : points) {
      const int px = int(x * 60), py = int(500 - y * 50);
      p.drawEllipse(QRect(px - 2, py - 2, 5, 5));
    }
    p.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_QPainterDots)->ArgsProduct({{10000, 1000000}, {1, 2}})->Unit(benchmark::kMillisecond);

// Frame, both scales and data.
void BM_FullPaint(benchmark::State& state) {
  StartQt();
  Chart c(int(state.range(0)), double(state.range(1)));
  for (auto _ : state) {
    c.chart.Repaint();
    benchmark::DoNotOptimize(c.Image().constBits());
  }
}
BENCHMARK(BM_FullPaint)->ArgsProduct({{1000}, {1, 2}})->Unit(benchmark::kMillisecond);

// One step of a drag: new ranges, mapping, full paint.
void BM_PanStep(benchmark::State& state) {
  StartQt();
  Chart c(int(state.range(0)), double(state.range(1)));
  c.chart.MouseMove(platform::ssLeft, 300, 300);
  int x = 300;
  for (auto _ : state) {
    x = x == 300 ? 310 : 300;
    c.chart.MouseMove(platform::ssLeft, x, 300);
    benchmark::DoNotOptimize(c.Image().constBits());
  }
}
BENCHMARK(BM_PanStep)->ArgsProduct({{1000, 10000, 1000000}, {1, 2}})->Unit(benchmark::kMillisecond);

// Adding a file's worth of marks to an empty list in one call.
void BM_AddMarks(benchmark::State& state) {
  StartQt();
  const auto points = RandomPoints(int(state.range(0)));
  for (auto _ : state) {
    TVArori chart;
    chart.AddMarks(points, 26);
    benchmark::DoNotOptimize(chart.ItemCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddMarks)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
