#include "app_core/curve_sampling.h"

#include "base/float_check.h"
#include "fit/tied_spline.h"

CurveSampling::CurveSampling(double rangeLow, double rangeHigh)
    : rl_(rangeLow),
      rh_(rangeHigh),
      step_(StoredDouble((static_cast<long double>(rangeHigh) - rangeLow) / kSamples)) {}

double CurveSampling::Sample(int i) const {
  return StoredDouble(rl_ + static_cast<long double>(i) * step_);
}

void SweepPolynomial(const CurveSampling& samples, const PolynomialCurve& curve,
                     const CurveSink& point) {
  const double x0 = StoredDouble(samples.RL() + static_cast<long double>(samples.Step()));
  point(x0, curve.Value(x0), true);
  for (int i = 1; i <= CurveSampling::kSamples; ++i) {
    const double x = samples.Sample(i);
    point(x, curve.Value(x), false);
  }
}

void SweepFromFirstKnot(double x0, double y0, const CurveSampling& samples,
                        const std::function<double(double x, bool& defined)>& value,
                        const CurveSink& point) {
  point(x0, y0, true);
  for (int i = 1; i <= CurveSampling::kSamples; ++i) {
    const double x = samples.Sample(i);
    bool defined = false;
    const double y = value(x, defined);
    if (defined) point(x, y, false);
  }
}

void SweepMergedSpline(const MergedSmoothingSpline& spline, double minX,
                       const CurveSampling& samples, const CurveSink& point) {
  bool valid = false;
  SweepFromFirstKnot(
      minX, spline.Value(minX, valid), samples,
      [&spline](double x, bool& defined) { return spline.Value(x, defined); }, point);
}

void SweepSmoothSpline(TRovavAza& store, const CurveSampling& samples, double factor,
                       const std::function<void(double fitQual)>& quality, const CurveSink& point) {
  const double x0 = store.MinX();
  store.SetSmoothingFactor(factor);
  double fitQual = 0;
  bool defined = false;
  const double y0 = store.SmoothSplineValue(x0, fitQual, defined);
  quality(fitQual);
  SweepFromFirstKnot(
      x0, y0, samples,
      [&store, &fitQual](double x, bool& valid) {
        return store.SmoothSplineValue(x, fitQual, valid);
      },
      point);
}
