#include "app/model_curve.h"

#include <array>

void SweepModel(const ModelRow& row, const ModelFit& fit, const CurveSampling& samples,
                const std::function<void(double x, double y, bool move)>& point) {
  const double rl = samples.RL();
  if (const auto y0 = row.Value(fit, rl))
    point(rl, *y0, true);
  else if (row.Model == FitModel::Log)
    point(0, -1000000, true);
  if (row.Model == FitModel::Lin) {
    const double rh = samples.RH();
    point(rh, *row.Value(fit, rh), false);
    return;
  }
  for (int i = 1; i <= CurveSampling::kSamples; ++i) {
    const double x = samples.Sample(i);
    if (const auto yi = row.Value(fit, x)) point(x, *yi, false);
  }
}

std::optional<FittedModel> FitModelCurve(TRovavAza& store, const ModelChoice& choice,
                                         const CurveSampling& samples) {
  FittedModel out;
  const auto add = [&out](double x, double y, bool move) { out.curve.push_back({x, y, move}); };
  if (choice.model == "poly") {
    std::array<double, PolynomialCurve::kMaxOrder + 1> c{};
    bool rankDeficient = false;
    PolynomialCurve curve;
    if (!store.CalcPolynomialFit(std::uint8_t(choice.order), c, out.fitQual, rankDeficient, curve))
      return std::nullopt;
    out.formula = PolynomialFormula(choice.order);
    out.params = PolynomialParams(c, choice.order);
    SweepPolynomial(samples, curve, add);
    return out;
  }
  if (choice.model == "spline") {
    SweepSmoothSpline(
        store, samples, choice.factor, [&](double q) { out.fitQual = q; }, add);
    return out;
  }
  for (const ModelRow& row : ModelRows()) {
    if (row.CommandLineName != choice.model) continue;
    const ModelFit fit = row.Fit(store);
    out.fitQual = fit.FitQual;
    out.formula = std::string(row.Formula);
    out.params = row.Params(fit);
    SweepModel(row, fit, samples, add);
    return out;
  }
  return std::nullopt;
}
