#include "app/model_comparison.h"

#include <algorithm>
#include <array>
#include <exception>
#include <functional>

#include "app/fit_analysis.h"
#include "app/fit_report.h"
#include "app/model_table.h"
#include "fit/tied_spline.h"

namespace {

using LD = long double;

// Σ (y − curve(x))² over the points; the message where the curve has no value at a point.
std::optional<std::string> ResidualSum(std::span<const DataPoint> points,
                                       const std::function<std::optional<double>(double)>& yAt,
                                       double& rss) {
  LD sum = 0;
  for (const DataPoint& p : points) {
    const std::optional<double> y = yAt(p.x);
    if (!y) return "the curve has no value at x = " + ShortestText(p.x);
    const LD r = LD(p.y) - *y;
    sum += r * r;
  }
  rss = double(sum);
  return std::nullopt;
}

}  // namespace

std::vector<ModelComparison> CompareModels(TRovavAza& store, std::span<const DataPoint> points,
                                           bool mergeTies) {
  const int n = int(points.size());
  std::vector<ModelComparison> rows;
  const auto attempt = [&](std::string model, const std::function<void(ModelComparison&)>& fit) {
    ModelComparison row;
    row.model = std::move(model);
    try {
      fit(row);
      if (row.error.empty()) row.aic = GaussianAic(row.rss, n, row.parameters);
    } catch (const std::exception& e) {
      row.error = e.what();
    }
    rows.push_back(row);
  };
  const auto regression = [&](const ModelRow& row) {
    attempt(std::string(row.CommandLineName), [&](ModelComparison& c) {
      const ModelFit fit = row.Fit(store);
      c.fitQuality = FitQualityText(fit.FitQual);
      c.parameters = row.Model == FitModel::Parabolic ? 3 : 2;
      if (auto e = ResidualSum(
              points, [&](double x) { return row.Value(fit, x); }, c.rss))
        c.error = *e;
    });
  };
  regression(ModelRowOf(FitModel::Lin));
  regression(ModelRowOf(FitModel::Parabolic));
  for (int order = 1; order <= 9 && order + 2 <= n; ++order) {
    attempt("poly:" + std::to_string(order), [&](ModelComparison& c) {
      std::array<double, PolynomialCurve::kMaxOrder + 1> k{};
      double fitQual = 0;
      bool rankDeficient = false;
      PolynomialCurve curve;
      if (!store.CalcPolynomialFit(std::uint8_t(order), k, fitQual, rankDeficient, curve)) {
        c.error = "CalcPolynomialFit: the decomposition did not converge";
        return;
      }
      c.fitQuality = FitQualityText(fitQual);
      c.parameters = order + 1;
      if (auto e = ResidualSum(
              points, [&](double x) { return curve.Value(x); }, c.rss))
        c.error = *e;
    });
  }
  for (FitModel m : {FitModel::Reciproc, FitModel::Log, FitModel::RecipLog, FitModel::Expon})
    regression(ModelRowOf(m));
  attempt("spline:" + ShortestText(kComparedSplineFactor), [&](ModelComparison& c) {
    if (mergeTies) {
      std::vector<double> xs(points.size()), ys(points.size());
      for (std::size_t i = 0; i < points.size(); ++i) xs[i] = points[i].x, ys[i] = points[i].y;
      const MergedSmoothingSpline spline(xs, ys, kComparedSplineFactor);
      const SplineStatistics s = spline.Statistics();
      c.fitQuality = FitQualityText(spline.FitQuality());
      c.parameters = s.trace;
      c.rss = s.residual_sum;
      return;
    }
    store.SetSmoothingFactor(kComparedSplineFactor);
    double fitQual = 0;
    bool valid = false;
    store.SmoothSplineValue(store.MinX(), fitQual, valid);
    const SplineStatistics s = store.SmoothSplineStatistics();
    c.fitQuality = FitQualityText(fitQual);
    c.parameters = s.trace;
    c.rss = s.residual_sum;
  });

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
