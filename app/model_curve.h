#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/curve_sampling.h"
#include "app/model_table.h"
#include "fit/rovav_aza.h"

// A model fitted as its window command fits it, for those that show it elsewhere: the texts of
// its labels, its goodness of fit and the curve the command draws.
//
//   const CurveSampling samples(axes.X.Low, axes.X.High);
//   const auto fitted = FitModelCurve(store, {"poly", 3}, samples);   // throws the fit's errors
//   for (const CurvePoint& p : fitted->curve) ...

// lin, parabolic, reciproc, log, reciplog, expon (a model row's command-line name), "poly" with
// its order or "spline" with its smoothing factor.
struct ModelChoice {
  std::string model;
  int order = 0;
  double factor = 0;
};

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

// nullopt where the polynomial's decomposition did not converge (the window's command then
// draws nothing); the fits' own errors are thrown.
std::optional<FittedModel> FitModelCurve(TRovavAza& store, const ModelChoice& choice,
                                         const CurveSampling& samples);

// The curve of a two- or three-parameter model as its command draws it: from RL (the logarithm
// without a value there from (0, -1000000)), a line to RH for the line, else to each sample
// where the model has a value.
void SweepModel(const ModelRow& row, const ModelFit& fit, const CurveSampling& samples,
                const std::function<void(double x, double y, bool move)>& point);
