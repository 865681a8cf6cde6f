#include "app_core/chart_setup.h"

#include "app_core/data_axes.h"

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

void AddCurve(TVArori& c, const std::vector<CurvePoint>& curve) {
  for (const CurvePoint& p : curve) {
    if (p.move)
      c.AddMovePoint(p.x, p.y);
    else
      c.AddLinePoint(p.x, p.y);
  }
}
