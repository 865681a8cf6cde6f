#include "app_core/model_curve.h"

#include <stdexcept>

#include "fit/tied_spline.h"

std::optional<ModelTexts> FitAndSweep(TRovavAza& store, const ModelRow& row,
                                      const CurveSampling* samples,
                                      const std::function<void(double fitQual)>& quality,
                                      const CurveSink& point, const ModelFit* known) {
  if (row.IsSpline() && row.Choice().mergeTies) {
    const std::size_t n = std::size_t(store.NumPoints());
    const std::span<const double> xs = store.PointTable().Column(1).first(n);
    const std::span<const double> ys = store.PointTable().Column(2).first(n);
    const MergedSmoothingSpline spline(xs, ys, row.Choice().factor);
    quality(spline.FitQuality());
    SweepMergedSpline(spline, store.MinX(), *samples, point);
    return ModelTexts{};
  }
  if (row.IsSpline()) {
    SweepSmoothSpline(store, *samples, row.Choice().factor, quality, point);
    return ModelTexts{};
  }
  const std::optional<ModelFit> fit = known ? *known : row.Fit(store);
  if (!fit) return std::nullopt;
  quality(fit->FitQual);
  if (samples) row.Sweep(*fit, *samples, point);
  return ModelTexts{row.Formula(), row.Params(*fit)};
}

std::optional<FittedModel> FitModelCurve(TRovavAza& store, const ModelRow& row,
                                         const CurveSampling* samples) {
  FittedModel out;
  const std::optional<ModelTexts> texts = FitAndSweep(
      store, row, samples, [&out](double q) { out.fitQual = q; },
      [&out](double x, double y, bool move) {
        out.curve.push_back({x, y, move});
      });
  if (!texts) return std::nullopt;
  out.formula = texts->formula;
  out.params = texts->params;
  return out;
}

FittedModel FitModelCurveOrThrow(TRovavAza& store, const ModelRow& row,
                                 const CurveSampling* samples) {
  std::optional<FittedModel> fitted = FitModelCurve(store, row, samples);
  if (!fitted) throw std::runtime_error(std::string(kPolynomialNotConverged));
  return *std::move(fitted);
}
