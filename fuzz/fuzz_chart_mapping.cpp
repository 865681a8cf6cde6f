// The chart's WorldToPixel and PixelToWorld for any double, NaN and infinities included, on any
// size and range: pixels stay in order and read back within half a pixel.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "chart/varori.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_values.h"
#include "tests/support/recording_canvas.h"

namespace {

int PickSize(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? in.ConsumeIntegralInRange(-10, 2000) : in.ConsumeIntegral<int>();
}

std::string Describe(TVArori& chart, int layer, bool horizontal, double v) {
  const TScaleProps& p = horizontal ? static_cast<TScaleProps&>(chart.ScaleX(layer))
                                    : static_cast<TScaleProps&>(chart.ScaleY(layer));
  char buf[240];
  std::snprintf(buf, sizeof buf, "size %dx%d layer %d %s axis %.17g..%.17g log %d value %.17g",
                chart.Width(), chart.Height(), layer, horizontal ? "x" : "y", p.RangeLow(),
                p.RangeHigh(), p.Logarithmic(), v);
  return buf;
}

int Pixel(TVArori& chart, int layer, bool horizontal, double v) {
  int px = 0;
  int py = 0;
  chart.WorldToPixel(layer, horizontal ? v : 1, horizontal ? 1 : v, px, py);
  return horizontal ? px : py;
}

double World(TVArori& chart, int layer, bool horizontal, int pixel) {
  double x = 0;
  double y = 0;
  chart.PixelToWorld(layer, horizontal ? pixel : 0, horizontal ? 0 : pixel, x, y);
  return horizontal ? x : y;
}

void CheckAxis(TVArori& chart, int layer, bool horizontal, double a, double b) {
  const TScaleProps& p = horizontal ? static_cast<TScaleProps&>(chart.ScaleX(layer))
                                    : static_cast<TScaleProps&>(chart.ScaleY(layer));
  const bool log = p.Logarithmic();
  // Values a log axis cannot show all go to one end; order holds above that limit.
  const auto shown = [&](double v) {
    return std::isfinite(v) && (!log || v > TScaleProps::kLogMinimum);
  };
  const int pa = Pixel(chart, layer, horizontal, a);
  const int pb = Pixel(chart, layer, horizontal, b);
  (void)Pixel(chart, layer, horizontal, std::nan(""));
  if (!shown(a) || !shown(b) || a == b) return;

  // Pixels grow to the right and downwards: an ascending x axis maps in order, a y axis in
  // reverse.
  const bool ascending = p.RangeHigh() >= p.RangeLow();
  const bool increasing = horizontal == ascending;
  const bool ordered =
      a < b ? (increasing ? pa <= pb : pa >= pb) : (increasing ? pa >= pb : pa <= pb);
  FUZZ_CHECK(ordered, Describe(chart, layer, horizontal, a) + " -> " + std::to_string(pa) +
                          " vs value " + std::to_string(b) + " -> " + std::to_string(pb));

  // Back from the pixel: within half a pixel, unless the pixel was limited to the int range.
  if (std::abs(pa) >= INT_MAX - 1) return;
  const double back = World(chart, layer, horizontal, pa);
  const double left = World(chart, layer, horizontal, pa - 1);
  const double right = World(chart, layer, horizontal, pa + 1);
  if (!std::isfinite(left) || !std::isfinite(right) || left == right) return;
  const double lo = std::fmin(left, right);
  const double hi = std::fmax(left, right);
  // a lies between the neighbouring pixels' values; on a log axis compare in ln.
  FUZZ_CHECK(std::isfinite(back), Describe(chart, layer, horizontal, a));
  const double tolerance = 1e-9 * std::fmax(std::fabs(lo), std::fabs(hi));
  FUZZ_CHECK(a >= lo - tolerance && a <= hi + tolerance,
             Describe(chart, layer, horizontal, a) + " -> pixel " + std::to_string(pa) +
                 " whose neighbours read " + std::to_string(lo) + ".." + std::to_string(hi));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One chart for all inputs (building one takes long); every input leaves the layer it used
  // linear over 0..100 again, so no input depends on the ones before.
  static TVArori& chart = []() -> TVArori& {
    test_support::InstallRecordingBitmaps();
    static TVArori c;
    c.SetAutoRedraw(false);
    return c;
  }();
  FuzzedDataProvider in(data, size);
  const int layer = in.ConsumeIntegralInRange(1, 16);
  struct Restore {
    TVArori& chart;
    int layer;
    ~Restore() {
      try {
        // A positive range first: a log axis that refused its range takes no other change.
        chart.SetLayerRange(layer, 1, 100, 1, 100);
        chart.ScaleX(layer).SetLogarithmic(false);
        chart.ScaleY(layer).SetLogarithmic(false);
        chart.SetLayerRange(layer, 0, 100, 0, 100);
      } catch (const std::exception& e) {
        FuzzFail("the chart returns to a linear 0..100", e.what());
      }
    }
  } restore{chart, layer};
  try {
    chart.SetBounds(0, 0, PickSize(in), PickSize(in));
    chart.ScaleX(layer).SetLogarithmic(in.ConsumeBool());
    chart.ScaleY(layer).SetLogarithmic(in.ConsumeBool());
    chart.SetLayerRange(layer, PickDouble(in), PickDouble(in), PickDouble(in), PickDouble(in));
  } catch (const std::runtime_error&) {
    return 0;  // a log axis over values it cannot take: refused with the chart's error
  }
  const int values = in.ConsumeIntegralInRange(1, 8);
  for (int i = 0; i < values; ++i) {
    const double a = PickDouble(in);
    const double b = PickDouble(in);
    CheckAxis(chart, layer, true, a, b);
    CheckAxis(chart, layer, false, a, b);
  }
  // Any layer number and any pixel: the mapping never leaves defined behaviour.
  int px = 0;
  int py = 0;
  chart.WorldToPixel(in.ConsumeIntegral<int>(), PickDouble(in), PickDouble(in), px, py);
  double x = 0;
  double y = 0;
  chart.PixelToWorld(layer, in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(), x, y);
  return 0;
}
