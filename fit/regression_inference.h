#pragma once

#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "fit/regression_statistics.h"
#include "fit/spline_statistics.h"

// What follows from a fit's statistics at a confidence level: for every parameter its standard
// error, t, two-sided p and interval; the covariance and correlation of the determined ones; F's
// p-value; the Gaussian likelihood's AIC and BIC; the confidence and prediction bands carried
// back from the space the model was solved in to y. The statistics are computed once
// (regression_statistics, spline_statistics); this turns them into the numbers a report prints,
// as a linear model's summary stands beside its fit.
//
//   const RegressionStatistics s = LeastSquaresStatistics(input);
//   const RegressionInference inf = InferRegression(s, estimates, 0.95);
//   inf.parameters[1].low, inf.parameters[1].high;          // the slope's interval
//   const BandValues b = RegressionBand(s, inf, input, x);  // at x, in y
//
// Quantiles and tails come from Boost.Math's Student t, F and normal distributions. The level
// is in (0, 1).

// Confidence and prediction band at one x, in y. A bound that does not exist (the reciprocal
// models where the band in 1/y reaches 0) is nullopt.
struct BandValues {
  std::optional<double> confidenceLow, confidenceHigh, predictionLow, predictionHigh;
};

struct ParameterInference {
  double estimate = 0;
  // nullopt where they do not exist: no residual degrees of freedom, a direction the data do not
  // fix, a standard error of 0 (no t or p).
  std::optional<double> standardError, t, p, low, high;
};

struct RegressionInference {
  // The two-sided Student t quantile at the level; nullopt without residual degrees of freedom.
  std::optional<double> quantile;
  // b_0..b_order, in the statistics' basis.
  std::vector<ParameterInference> parameters;
  // Whether the data fix each parameter: no undetermined direction moves it.
  std::vector<bool> determined;
  // σ̂²·(XᵀX)⁺ and the correlation, in the basis; nullopt where a parameter is undetermined (the
  // covariance also without σ̂²).
  std::vector<std::vector<std::optional<double>>> covariance, correlation;
  std::optional<double> fP;  // P(F ≥ f); 1 where the fit shown leaves F at or below 0
  std::optional<double> aic, bic;
};

// `estimates` are b_0..b_order as the fit gave them (as doubles), one for each parameter of `s`.
RegressionInference InferRegression(const RegressionStatistics& s,
                                    std::span<const double> estimates, double level);

// e^b of a parameter solved as its logarithm: the estimate and the interval carried over (e^b
// is monotone); no standard error, t or p of its own.
ParameterInference ExponentialOf(const ParameterInference& b);

// The band at x: the fitted value in the solved space ẑ(x) = input.fitted(x), ± q·σ̂·√v (and
// √(1 + v) for a new observation), v the statistics' variance factor at u(x), carried back to y.
// Empty where there is no quantile or σ̂, or u = ln x has no value at x.
BandValues RegressionBand(const RegressionStatistics& s, const RegressionInference& inference,
                          const RegressionInput& input, double x);

// The spline's Bayesian band at x around its value y: y ± z·√(σ̂²·A(x)) and z·√(σ̂²·(1 + A(x))),
// z = BandQuantile(level).
BandValues SplineBand(const SplineStatistics& stats, double sigma2, Ext z, double x, double y);

// The Gaussian log-likelihood's criteria at σ̂² = RSS/n, as R's AIC() and BIC() of a linear
// model: −2 log L + 2(k + 1) and −2 log L + ln(n)·(k + 1), k the parameters (tr A for the
// spline) and one for σ. nullopt for RSS = 0.
std::optional<double> GaussianAic(double rss, int n, double k);
std::optional<double> GaussianBic(double rss, int n, double k);
