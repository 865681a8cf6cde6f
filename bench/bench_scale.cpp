#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include <QGuiApplication>

#include "platform/canvas.h"
#include "platform/qt/install.h"
#include "platform/qt/qt_bitmap.h"
#include "scale/calendar.h"
#include "scale/date_time_layout.h"
#include "scale/scale.h"
#include "scale/tick_labels.h"
#include "scale/tick_layout.h"

namespace {

// A canvas that only counts: the cost measured is the scale's own work.
class CountingCanvas : public platform::Canvas {
 public:
  void LineTo(int x, int y) override {
    ++calls;
    SetPenPos({x, y});
  }
  void Rectangle(int, int, int, int) override { ++calls; }
  void Ellipse(int, int, int, int) override { ++calls; }
  void Polygon(std::span<const platform::TPoint>) override { ++calls; }
  void Polyline(std::span<const platform::TPoint>) override { ++calls; }
  void SetPixel(int, int, platform::TColor) override { ++calls; }
  platform::TColor GetPixel(int, int) const override { return 0; }
  void TextOut(int, int, const std::string&) override { ++calls; }
  void TextRect(const platform::TRect&, int, int, const std::string&) override { ++calls; }
  int TextWidth(const std::string& text) override { return 6 * int(text.size()); }
  int TextHeight(const std::string&) override { return 13; }
  void Draw(int, int, const platform::Bitmap&) override { ++calls; }
  void StretchDraw(const platform::TRect&, const platform::Bitmap&) override { ++calls; }
  long calls = 0;
};

class CountingBitmap : public platform::Bitmap {
 public:
  CountingBitmap(int w, int h) : w_(w), h_(h) {}
  platform::Canvas& GetCanvas() override { return canvas_; }
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  void SetSize(int w, int h) override {
    w_ = w;
    h_ = h;
  }

 private:
  CountingCanvas canvas_;
  int w_, h_;
};

// The two measured scales: a linear one with labels of one decimal, a logarithmic one over five
// decades.
void SetUpRange(TScale& scale, bool logarithmic) {
  scale.SetMinTicks(6);
  if (logarithmic) {
    scale.SetRangeLow(0.01);
    scale.SetRangeHigh(1000);
    scale.SetLogarithmic(true);
  } else {
    scale.SetRangeLow(-3.7);
    scale.SetRangeHigh(12.4);
  }
}

void RenderScale(benchmark::State& state, bool logarithmic) {
  platform::SetBitmapFactory([](int w, int h) -> std::unique_ptr<platform::Bitmap> {
    return std::make_unique<CountingBitmap>(w, h);
  });
  CountingCanvas target;
  TScale scale;
  scale.SetRenderTarget(&target, 0, 0);
  SetUpRange(scale, logarithmic);
  for (auto _ : state) {
    scale.RenderNow();
    benchmark::DoNotOptimize(target.calls);
  }
  state.counters["ticks"] = scale.NumTicks();
}

void BM_RenderLinearScale(benchmark::State& state) {
  RenderScale(state, false);
}
void BM_RenderLogarithmicScale(benchmark::State& state) {
  RenderScale(state, true);
}
BENCHMARK(BM_RenderLinearScale);
BENCHMARK(BM_RenderLogarithmicScale);

// The same through the Qt canvas: a bitmap per render, text and lines rasterised.
void RenderScaleQt(benchmark::State& state, bool logarithmic) {
  static int argc = 1;
  static char name[] = "bench_scale";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
  platform_qt::InstallQtPlatform();
  platform_qt::QtBitmap target(400, 400);
  TScale scale;
  scale.SetRenderTarget(&target.GetCanvas(), 0, 0);
  SetUpRange(scale, logarithmic);
  for (auto _ : state) {
    scale.RenderNow();
    benchmark::DoNotOptimize(target.Image().constBits());
  }
}

void BM_RenderLinearScaleQt(benchmark::State& state) {
  RenderScaleQt(state, false);
}
void BM_RenderLogarithmicScaleQt(benchmark::State& state) {
  RenderScaleQt(state, true);
}
BENCHMARK(BM_RenderLinearScaleQt)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderLogarithmicScaleQt)->Unit(benchmark::kMicrosecond);

std::vector<TickOptions> RandomRanges(int n) {
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> exponent(-6, 6);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::uniform_int_distribution<int> minTicks(2, 10);
  std::vector<TickOptions> out(n);
  for (TickOptions& o : out) {
    const double scale = std::pow(10.0, exponent(rng));
    o.RangeLow = unit(rng) * scale;
    o.RangeHigh = o.RangeLow + (unit(rng) + 1.01) * scale;
    o.MinTicks = minTicks(rng);
    o.ShortTicks = true;
  }
  return out;
}

// 10^5 random ranges per iteration.
void BM_TickLayout(benchmark::State& state) {
  const std::vector<TickOptions> ranges = RandomRanges(100000);
  for (auto _ : state) {
    std::size_t ticks = 0;
    for (const TickOptions& o : ranges) ticks += LayOutTicks(o).Ticks.size();
    benchmark::DoNotOptimize(ticks);
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(ranges.size()));
}
BENCHMARK(BM_TickLayout)->Unit(benchmark::kMillisecond);

void BM_TickLayoutWithLabels(benchmark::State& state) {
  const std::vector<TickOptions> ranges = RandomRanges(100000);
  for (auto _ : state) {
    std::size_t chars = 0;
    for (const TickOptions& o : ranges) {
      for (const Tick& t : BuildTicks(o).Ticks) chars += t.Text.size();
    }
    benchmark::DoNotOptimize(chars);
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(ranges.size()));
}
BENCHMARK(BM_TickLayoutWithLabels)->Unit(benchmark::kMillisecond);

// Valid date/time ranges from hundredths of a second to millennia, across and upright, so that
// every mode, the below-one-second message included, takes its share.
std::vector<TickOptions> RandomDateTimeRanges(int n) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> low(kFirstCalendarDay, kEndCalendarDay);
  std::uniform_real_distribution<double> exponent(-6.5, 6.3);
  std::uniform_int_distribution<int> minTicks(2, 10);
  std::bernoulli_distribution coin;
  std::vector<TickOptions> out(n);
  for (TickOptions& o : out) {
    const double span = std::pow(10.0, exponent(rng));
    o.RangeLow = std::min(low(rng), kDateTimeHighLimit - span);
    o.RangeHigh = o.RangeLow + span;
    o.MinTicks = minTicks(rng);
    o.ShortTicks = coin(rng);
    o.Vertical = coin(rng);
    o.LabelType = ftDateTime;
  }
  return out;
}

// 10^5 random ranges per iteration, positions only or with their texts: beside BM_TickLayout
// and BM_TickLayoutWithLabels.
void DateTimeLayouts(benchmark::State& state, bool withLabels) {
  const std::vector<TickOptions> ranges = RandomDateTimeRanges(100000);
  std::array<int, dmYears + 1> modes{};
  for (const TickOptions& o : ranges) ++modes[LayOutTicks(o).DateMode];
  for (auto _ : state) {
    std::size_t work = 0;
    for (const TickOptions& o : ranges) {
      if (withLabels) {
        for (const Tick& t : BuildTicks(o).Ticks) work += t.Text.size() + t.DateLine.size();
      } else {
        work += LayOutTicks(o).Ticks.size();
      }
    }
    benchmark::DoNotOptimize(work);
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(ranges.size()));
  const char* names[] = {"invalid", "below1s", "hundredths", "seconds", "minutes",
                         "hours",   "days",    "months",     "years"};
  for (int m = dmBelowSecond; m <= dmYears; ++m) state.counters[names[m]] = modes[m];
}

void BM_DateTimeLayout(benchmark::State& state) {
  DateTimeLayouts(state, false);
}
void BM_DateTimeLayoutWithLabels(benchmark::State& state) {
  DateTimeLayouts(state, true);
}
BENCHMARK(BM_DateTimeLayout)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateTimeLayoutWithLabels)->Unit(benchmark::kMillisecond);

}  // namespace
