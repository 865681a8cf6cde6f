#include "app_core/model_comparison.h"

#include <algorithm>
#include <exception>
#include <functional>

#include "app_core/model_table.h"
#include "fit/numeric_kernels.h"
#include "fit/regression_inference.h"
#include "fit/tied_spline.h"
#include "format/shortest_text.h"

namespace {

// Σ (y − curve(x))² over the points; the message where the curve has no value at a point.
std::optional<std::string> ResidualSum(std::span<const DataPoint> points, const ModelRow& row,
                                       const ModelFit& fit, double& rss) {
  Ext sum = 0;
  for (const DataPoint& p : points) {
    const std::optional<double> y = row.Value(fit, p.x);
    if (!y) return "the curve has no value at x = " + ShortestText(p.x);
    const Ext r = Ext(p.y) - *y;
    sum += r * r;
  }
  rss = double(sum);
  return std::nullopt;
}

// The spline's goodness of fit, tr A as its parameters and its residual sum.
void CompareSpline(TRovavAza& store, std::span<const DataPoint> points, double factor,
                   bool mergeTies, ModelComparison& c) {
  if (mergeTies) {
    std::vector<double> xs(points.size()), ys(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) xs[i] = points[i].x, ys[i] = points[i].y;
    const MergedSmoothingSpline spline(xs, ys, factor);
    const SplineStatistics s = spline.Statistics();
    c.fitQuality = FitQualityText(spline.FitQuality());
    c.parameters = s.trace;
    c.rss = s.residual_sum;
    return;
  }
  store.SetSmoothingFactor(factor);
  double fitQual = 0;
  bool valid = false;
  store.SmoothSplineValue(store.MinX(), fitQual, valid);
  const SplineStatistics s = store.SmoothSplineStatistics();
  c.fitQuality = FitQualityText(fitQual);
  c.parameters = s.trace;
  c.rss = s.residual_sum;
}

}  // namespace

std::vector<ModelComparison> CompareModels(TRovavAza& store, std::span<const DataPoint> points,
                                           bool mergeTies) {
  const int n = int(points.size());
  std::vector<ModelComparison> rows;
  // Polynomials where the points leave at least one degree of freedom.
  for (const ModelChoice& choice : ComparedModels(std::min(9, n - 2), kComparedSplineFactor)) {
    const ModelRow model(choice);
    ModelComparison row;
    row.model = model.Name();
    row.choice = choice;
    try {
      if (model.IsSpline()) {
        CompareSpline(store, points, choice.factor, mergeTies, row);
      } else {
        const ModelFit fit = FitOrThrow(model, store);
        row.fitQuality = FitQualityText(fit.FitQual);
        row.parameters = model.ParameterCount();
        if (auto e = ResidualSum(points, model, fit, row.rss)) row.error = *e;
      }
      if (row.error.empty()) row.aic = GaussianAic(row.rss, n, row.parameters);
    } catch (const std::exception& e) {
      row.error = e.what();
    }
    rows.push_back(row);
  }

  std::stable_sort(rows.begin(), rows.end(),
                   [](const ModelComparison& a, const ModelComparison& b) {
                     if (a.error.empty() != b.error.empty()) return a.error.empty();
                     if (!a.error.empty()) return false;
                     // A perfect fit (RSS 0) has no AIC and ranks first.
                     if (a.aic.has_value() != b.aic.has_value()) return !a.aic.has_value();
                     return a.aic && *a.aic < *b.aic;
                   });
  return rows;
}
