#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app_core/curve_sampling.h"
#include "app_core/model_table.h"
#include "fit/rovav_aza.h"

// A model fitted as its window command fits it, for every place that shows it: the texts of its
// labels, its goodness of fit and the curve the command draws.
//
//   const CurveSampling samples(axes.X.Low, axes.X.High);
//   const auto fitted = FitModelCurve(store, ModelRow({ModelKind::Polynomial, 3}), &samples);
//   for (const CurvePoint& p : fitted->curve) ...

struct CurvePoint {
  double x, y;
  bool move;  // a move to the point, else a line to it
  bool operator==(const CurvePoint&) const = default;
};

struct FittedModel {
  std::string formula, params;  // the labels' texts; empty for the spline, whose labels are hidden
  double fitQual = 0;
  std::vector<CurvePoint> curve;
};

// Fits the model and hands on, in this order, its goodness of fit and its curve's points, so that
// an error in the curve (an overflow far out) comes after the goodness of fit was shown and with
// the curve drawn up to it, as the window's commands have it. Returns the formula and parameters
// labels' texts (empty for the spline). `samples`: where the curve is drawn; null for the texts
// and goodness of fit alone (not for the spline, whose goodness of fit comes with its curve).
// nullopt where the polynomial's decomposition did not converge (the window's command then draws
// nothing); the fits' own errors are thrown. `known`: the least-squares model's fit to these
// points made already, used instead of fitting again.
struct ModelTexts {
  std::string formula, params;
};
std::optional<ModelTexts> FitAndSweep(TRovavAza& store, const ModelRow& row,
                                      const CurveSampling* samples,
                                      const std::function<void(double fitQual)>& quality,
                                      const CurveSink& point, const ModelFit* known = nullptr);

// The same, collected.
std::optional<FittedModel> FitModelCurve(TRovavAza& store, const ModelRow& row,
                                         const CurveSampling* samples);

// The same, with the polynomial's non-convergence as an error, for those that report it.
FittedModel FitModelCurveOrThrow(TRovavAza& store, const ModelRow& row,
                                 const CurveSampling* samples);
