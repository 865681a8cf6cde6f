#include "app_core/chart_setup.h"

#include "app_core/data_axes.h"

namespace {

constexpr platform::TColor kConfidenceFill = platform::RGB(204, 236, 204);
constexpr platform::TColor kPredictionLine = platform::RGB(96, 168, 96);

}  // namespace

void SetUpMainChart(TVArori& c) {
  c.BeginLoading();
  c.SetAllocSize(1000);
  c.SetAutoRedraw(true);
  c.SetMarginRight(16);
  c.SetMarginTop(20);
  c.SetMarginBottom(40);
  platform::Font font;
  font.Name = "Microsoft Sans Serif";
  font.Height = 17;
  c.SetFont(font);
  c.SetGridStyle(gsDotLines);
  c.SetGridColor(platform::clSilver);
  c.SetDataColor(platform::clGreen);
  c.SetClassDefault(0);
  c.SetIsometric(false);
  c.SetMouseAction(maPan);
  c.SetMouseCursorFixed(false);
  for (int i = 1; i <= TVArori::kNumCrossHairs; ++i) c.CrossHair(i).SetMode(chOff);
  c.SetShadowStyle(ssFlying);
  c.SetShadowColor(platform::clGray);
  c.SetShadowBakColor(platform::clSilver);
  c.SetCaptionPosY(-16);
  c.SetCaptionAlignment(taCenter);
  platform::Font scaleFont;
  scaleFont.Name = "MS Sans Serif";
  scaleFont.Height = 13;
  for (TScaleProps* p :
       {static_cast<TScaleProps*>(&c.Scale1X()), static_cast<TScaleProps*>(&c.Scale1Y())}) {
    p->SetRangeLow(0);
    p->SetRangeHigh(10);
    p->SetMinTicks(kChartMinTicks);
    p->SetMinRange(kChartMinRange);
    p->SetDecPlaces(-2);
    p->SetLabelType(ftNum);
    p->SetLogarithmic(false);
    p->SetShortTicks(false);
    p->SetVisible(true);
    p->SetColorScale(platform::clBlack);
    p->SetFont(scaleFont);
    p->SetCaption("");
  }
  c.Scale1X().SetScaleLocation(slBottom);
  c.Scale1Y().SetScaleLocation(slLeft);
  for (int n = 2; n <= 4; ++n) {
    for (TScaleProps* p :
         {static_cast<TScaleProps*>(&c.ScaleX(n)), static_cast<TScaleProps*>(&c.ScaleY(n))}) {
      p->SetVisible(false);
      p->SetMinTicks(3);
      p->SetShortTicks(true);
    }
  }
  c.Loaded();
}

void ShowPointsOnChart(TVArori& c, std::span<const DataPoint> points) {
  const DataAxes axes = AxesAround(points);
  c.AddMarks(points, kPointMark);
  c.Scale1X().SetRangeLow(axes.X.Low);
  c.Scale1X().SetRangeHigh(axes.X.High);
  c.Scale1Y().SetRangeLow(axes.Y.Low);
  c.Scale1Y().SetRangeHigh(axes.Y.High);
}

void ShowBand(TVArori& chart, const std::vector<SampledBand>& band) {
  // Runs of samples where both bounds exist (a reciprocal model's band has none near its pole).
  const auto runs = [&band](auto low, auto high) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (std::size_t i = 0; i < band.size();) {
      if (!(band[i].band.*low) || !(band[i].band.*high)) {
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j < band.size() && band[j].band.*low && band[j].band.*high) ++j;
      out.push_back({i, j});
      i = j;
    }
    return out;
  };
  const auto confidence = runs(&BandValues::confidenceLow, &BandValues::confidenceHigh);
  chart.OnBeforeRenderData = [band, confidence](TVArori& c, platform::Canvas& canvas, int top,
                                                int left) {
    canvas.GetBrush().Color = kConfidenceFill;
    canvas.GetBrush().Style = platform::bsSolid;
    canvas.GetPen().Color = kConfidenceFill;
    canvas.GetPen().Style = platform::psSolid;
    canvas.GetPen().Mode = platform::pmCopy;
    canvas.GetPen().Width = 1;
    for (const auto& [from, to] : confidence) {
      std::vector<platform::TPoint> outline;
      const auto add = [&](double x, double y) {
        int px = 0, py = 0;
        c.WorldToPixel(1, x, y, px, py);
        outline.push_back({px - left, py - top});
      };
      for (std::size_t i = from; i < to; ++i) add(band[i].x, *band[i].band.confidenceHigh);
      for (std::size_t i = to; i-- > from;) add(band[i].x, *band[i].band.confidenceLow);
      canvas.Polygon(outline);
    }
  };
  const platform::TColor color = chart.DataColor();
  chart.SetDataColor(kPredictionLine);
  for (auto bound : {&BandValues::predictionLow, &BandValues::predictionHigh})
    for (const auto& [from, to] : runs(&BandValues::predictionLow, &BandValues::predictionHigh))
      for (std::size_t i = from; i < to; ++i) {
        if (i == from)
          chart.AddMovePoint(band[i].x, *(band[i].band.*bound));
        else
          chart.AddLinePoint(band[i].x, *(band[i].band.*bound));
      }
  chart.SetDataColor(color);
}

void HideBand(TVArori& chart) {
  chart.OnBeforeRenderData = nullptr;
}
