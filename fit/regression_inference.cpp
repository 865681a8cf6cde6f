#include "fit/regression_inference.h"

#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <numbers>

#include "fit/numeric_kernels.h"

namespace {

// A direction the data do not fix moves a parameter by more than this: it has no error.
constexpr double kUndeterminedShare = 1e-9;

// The two-sided quantile of Student's t with df degrees of freedom at the level.
double StudentQuantile(double level, int df) {
  const boost::math::students_t dist(df);
  return boost::math::quantile(boost::math::complement(dist, (1 - level) / 2));
}

BandValues BandInY(Coordinate z, Ext centre, Ext confidence, Ext prediction) {
  BandValues b;
  const auto bounds = [&](Ext half, std::optional<double>& low, std::optional<double>& high) {
    const Ext lo = centre - half, hi = centre + half;
    if (z == Coordinate::Reciprocal) {
      // 1/z has no bound where the band in z reaches 0; 1/z falls, so the ends swap.
      if (lo <= 0 && hi >= 0) return;
      low = FromCoordinate(z, hi);
      high = FromCoordinate(z, lo);
      return;
    }
    low = FromCoordinate(z, lo);
    high = FromCoordinate(z, hi);
  };
  bounds(confidence, b.confidenceLow, b.confidenceHigh);
  bounds(prediction, b.predictionLow, b.predictionHigh);
  return b;
}

Ext MinusTwoLogLikelihood(double rss, int n) {
  return n * (std::log(2 * std::numbers::pi_v<Ext>) + std::log(Ext(rss) / n) + 1);
}

}  // namespace

RegressionInference InferRegression(const RegressionStatistics& s,
                                    std::span<const double> estimates, double level) {
  RegressionInference r;
  const int m = s.parameters;
  r.determined.assign(std::size_t(m), true);
  for (const std::vector<double>& v : s.undetermined)
    for (int j = 0; j < m; ++j)
      if (std::fabs(v[std::size_t(j)]) > kUndeterminedShare) r.determined[std::size_t(j)] = false;
  const auto cov = [&](int i, int j) { return s.covariance[std::size_t(i * m + j)]; };
  if (s.df_residual > 0) r.quantile = StudentQuantile(level, s.df_residual);
  for (int j = 0; j < m; ++j) {
    ParameterInference p;
    p.estimate = estimates[std::size_t(j)];
    if (r.determined[std::size_t(j)] && s.sigma2) {
      const double se = std::sqrt(*s.sigma2 * cov(j, j));
      p.standardError = se;
      if (se > 0) {
        p.t = p.estimate / se;
        p.p = 2 * boost::math::cdf(boost::math::complement(boost::math::students_t(s.df_residual),
                                                           std::fabs(*p.t)));
      }
      p.low = double(Ext(p.estimate) - Ext(*r.quantile) * se);
      p.high = double(Ext(p.estimate) + Ext(*r.quantile) * se);
    }
    r.parameters.push_back(p);
  }
  for (int i = 0; i < m; ++i) {
    std::vector<std::optional<double>> covRow, corRow;
    for (int j = 0; j < m; ++j) {
      const bool known = r.determined[std::size_t(i)] && r.determined[std::size_t(j)];
      covRow.push_back(known && s.sigma2 ? std::optional<double>(*s.sigma2 * cov(i, j))
                                         : std::nullopt);
      const double scale = std::sqrt(cov(i, i) * cov(j, j));
      corRow.push_back(known && scale > 0 ? std::optional<double>(cov(i, j) / scale)
                                          : std::nullopt);
    }
    r.covariance.push_back(covRow);
    r.correlation.push_back(corRow);
  }
  // Where the fit shown leaves a residual a rounding above the spread, F is a hair below 0: no
  // evidence at all.
  if (s.f_statistic && s.rank > 1 && s.df_residual > 0)
    r.fP = *s.f_statistic > 0
               ? boost::math::cdf(boost::math::complement(
                     boost::math::fisher_f(s.rank - 1, s.df_residual), *s.f_statistic))
               : 1.0;
  r.aic = GaussianAic(s.rss, s.n, s.rank);
  r.bic = GaussianBic(s.rss, s.n, s.rank);
  return r;
}

ParameterInference ExponentialOf(const ParameterInference& b) {
  ParameterInference e;
  e.estimate = std::exp(b.estimate);
  if (b.low) e.low = std::exp(*b.low);
  if (b.high) e.high = std::exp(*b.high);
  return e;
}

BandValues RegressionBand(const RegressionStatistics& s, const RegressionInference& inference,
                          const RegressionInput& input, double x) {
  if (!inference.quantile || !s.sigma2) return {};
  if (input.u == Coordinate::Ln && !(x > 0)) return {};
  const Ext v = s.VarianceFactor(double(InCoordinate(input.u, x)));
  const Ext sigma = std::sqrt(Ext(*s.sigma2));
  const double q = *inference.quantile;
  return BandInY(input.z, input.fitted(x), q * sigma * std::sqrt(v), q * sigma * std::sqrt(1 + v));
}

BandValues SplineBand(const SplineStatistics& stats, double sigma2, Ext z, double x, double y) {
  const Ext f = BandVarianceFactor(stats, x);
  const Ext c = z * std::sqrt(sigma2 * f), q = z * std::sqrt(sigma2 * (1 + f));
  return {double(y - c), double(y + c), double(y - q), double(y + q)};
}

std::optional<double> GaussianAic(double rss, int n, double k) {
  if (!(rss > 0) || n < 1) return std::nullopt;
  return double(MinusTwoLogLikelihood(rss, n) + 2 * (Ext(k) + 1));
}

std::optional<double> GaussianBic(double rss, int n, double k) {
  if (!(rss > 0) || n < 1) return std::nullopt;
  return double(MinusTwoLogLikelihood(rss, n) + std::log(Ext(n)) * (Ext(k) + 1));
}
