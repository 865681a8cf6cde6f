#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app_core/curve_sampling.h"
#include "app_core/model_table.h"
#include "base/data_point.h"
#include "fit/rovav_aza.h"

// `ravelon --fit all`: every model on the same points, compared on one footing: the residuals
// in y of the curve each command draws, whatever the space the model was solved in.
struct ModelComparison {
  std::string model;       // lin, parabolic, poly:N, reciproc, log, reciplog, expon, spline:0.5
  ModelChoice choice;      // the same model as a value
  std::string fitQuality;  // as the window's label shows it
  double parameters = 0;   // the spline: tr A
  double rss = 0;          // Σ (y − curve(x))²
  std::optional<double> aic;
  std::string error;  // the model's refusal; empty when it fitted
};

// The spline's factor in the comparison.
inline constexpr double kComparedSplineFactor = 0.5;

// The models in the window's order, polynomials of order 1..9 where the points leave at least
// one degree of freedom; sorted by AIC (−2 log L + 2(k + 1), as the report's), refused ones last.
// `mergeTies`: the spline merges repeated x.
std::vector<ModelComparison> CompareModels(TRovavAza& store, std::span<const DataPoint> points,
                                           bool mergeTies);
