#include <QLabel>
#include <cmath>
#include <optional>
#include <string>

#include "app/curve_sampling.h"
#include "app/frm_main.h"
#include "fit/float_check.h"
#include "format/format_fixed_width.h"
#include "platform/qt/speed_button.h"

namespace {

std::string F6(double v) {
  return FormatFixedWidth(1, 6, v);
}
std::string F3(double v) {
  return FormatFixedWidth(1, 3, v);
}

}  // namespace

CurveSampling::CurveSampling(const TScalePropsHoriz& scale)
    : scale_(scale),
      step_(StoredDouble((static_cast<long double>(scale.RangeHigh()) - scale.RangeLow()) / 200)) {}

double CurveSampling::Sample(int i) const {
  return StoredDouble(scale_.RangeLow() + static_cast<long double>(i) * step_);
}

void TFrmMain::RunFitCommand(FitModel model) {
  PrepareModelControls();
  RemoveFittedCurve();
  SBNewPnts->SetDown(false);

  double p0 = 0, p1 = 0, p2 = 0, fitQual = 0;
  switch (model) {
    case FitModel::Lin:
      Stats1.CalcLinFit(p0, p1, fitQual);
      break;
    case FitModel::Parabolic:
      Stats1.CalcParabolFit(p0, p1, p2, fitQual);
      break;
    case FitModel::Reciproc:
      Stats1.CalcReciLinFit(p0, p1, fitQual);
      break;
    case FitModel::Log:
      Stats1.CalcLogFit(p0, p1, fitQual);
      break;
    case FitModel::RecipLog:
      Stats1.CalcReciLogFit(p0, p1, fitQual);
      break;
    case FitModel::Expon:
      Stats1.CalcExponentialFit(p0, p1, fitQual);
      break;
  }
  NLabFitQual.SetValue(fitQual);
  NLabFitQual.SetEmpty(false);

  using LD = long double;
  const CurveSampling samples(VArori1.Scale1X());
  const double rl = samples.RL();
  // Each model's y(x); nullopt where the model has no value at x. The denominators of the
  // reciprocal models are tested as doubles, and y is taken from that double.
  auto y = [&](double x) -> std::optional<double> {
    switch (model) {
      case FitModel::Lin:
        return StoredDouble(LD(x) * p0 + p1);
      case FitModel::Parabolic:
        return StoredDouble(LD(x) * x * p2 + (LD(x) * p1 + p0));
      case FitModel::Reciproc: {
        const double q = StoredDouble(LD(x) * p1 + p0);
        if (q == 0) return std::nullopt;
        return StoredDouble(1 / LD(q));
      }
      case FitModel::Log:
        if (!(x > 0)) return std::nullopt;
        return StoredDouble(std::log(LD(x)) * p1 + p0);
      case FitModel::RecipLog: {
        if (!(x > 0)) return std::nullopt;
        const double q = StoredDouble(std::log(LD(x)) * p1 + p0);
        if (q == 0) return std::nullopt;
        return StoredDouble(1 / LD(q));
      }
      case FitModel::Expon:
        return StoredDouble(std::exp(LD(x) * p1) * p0);
    }
    return std::nullopt;
  };

  if (const auto y0 = y(rl)) {
    VArori1.AddMovePoint(rl, *y0);
  } else if (model == FitModel::Log) {
    VArori1.AddMovePoint(0, -1000000);
  }
  if (model == FitModel::Lin) {
    const double rh = samples.RH();
    VArori1.AddLinePoint(rh, *y(rh));
  } else {
    for (int i = 1; i <= CurveSampling::kSamples; ++i) {
      const double x = samples.Sample(i);
      if (const auto yi = y(x)) VArori1.AddLinePoint(x, *yi);
    }
  }
  VArori1.ShowItems();

  std::string formula, params;
  switch (model) {
    case FitModel::Lin:
      formula = "y = k*x + d";
      params = "k = " + F6(p0) + "    d = " + F3(p1);
      break;
    case FitModel::Parabolic:
      formula = "y = k0 + k1*x + k2*sqr(x)";
      params = "k0 = " + F6(p0) + "    k1 = " + F3(p1) + "    k2 = " + F3(p2);
      break;
    case FitModel::Reciproc:
      formula = "y = 1/(k0 + k1*x)";
      params = "k0 = " + F6(p0) + "     k1 = " + F3(p1);
      break;
    case FitModel::Log:
      formula = "y = k0 + k1*ln(x)";
      params = "k0 = " + F6(p0) + "    k1 = " + F3(p1);
      break;
    case FitModel::RecipLog:
      formula = "y = 1/(k0 + k1*ln(x))";
      params = "k0 = " + F3(p0) + "     k1 = " + F3(p1);
      break;
    case FitModel::Expon:
      formula = "y = k0*e^(k1*x)";
      params = "k0 = " + F3(p0) + "    k1 = " + F3(p1);
      break;
  }
  LblFormula->setText(QString::fromStdString(formula));
  LblParams->setText(QString::fromStdString(params));
  LblFormula->setVisible(true);
  LblParams->setVisible(true);
}
