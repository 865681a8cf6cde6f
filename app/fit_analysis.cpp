#include "app/fit_analysis.h"

#include <algorithm>
#include <array>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <unordered_map>

#include "app/curve_sampling.h"
#include "app/fit_report.h"
#include "app/model_table.h"
#include "fit/regression_statistics.h"
#include "fit/spline_statistics.h"
#include "fit/tied_spline.h"

namespace {

using LD = long double;

// A direction the data do not fix moves a parameter by more than this: it has no error.
constexpr double kUndeterminedShare = 1e-9;

// The two-sided quantile of Student's t with df degrees of freedom at the level.
double StudentQuantile(double level, int df) {
  const boost::math::students_t dist(df);
  return boost::math::quantile(boost::math::complement(dist, (1 - level) / 2));
}

// The least-squares models as lines or polynomials in transformed coordinates.
struct Regression {
  Coordinate u = Coordinate::Same, z = Coordinate::Same;
  std::string space, solvedAs;
  // The report's rows: a name and the index of the parameter in the basis b_0..b_order.
  std::vector<std::pair<std::string, int>> rows;
  std::vector<double> estimates;                       // b_0..b_order
  std::function<std::optional<double>(double x)> yAt;  // the curve the command draws
};

LD Transformed(Coordinate c, double v) {
  switch (c) {
    case Coordinate::Same:
      return v;
    case Coordinate::Ln:
      return std::log(LD(v));
    case Coordinate::Reciprocal:
      return 1 / LD(v);
  }
  return v;
}

// The y of a value in the solved coordinate: 1/z and e^z are monotone, 1/z falling.
std::optional<double> Back(Coordinate z, LD v) {
  switch (z) {
    case Coordinate::Same:
      return double(v);
    case Coordinate::Ln:
      return double(std::exp(v));
    case Coordinate::Reciprocal:
      if (v == 0) return std::nullopt;
      return double(1 / v);
  }
  return std::nullopt;
}

BandValues BandInY(Coordinate z, LD centre, LD confidence, LD prediction) {
  BandValues b;
  const auto bounds = [&](LD half, std::optional<double>& low, std::optional<double>& high) {
    const LD lo = centre - half, hi = centre + half;
    if (z == Coordinate::Reciprocal) {
      // 1/z has no bound where the band in z reaches 0.
      if (lo <= 0 && hi >= 0) return;
      low = Back(z, hi);
      high = Back(z, lo);
      return;
    }
    low = Back(z, lo);
    high = Back(z, hi);
  };
  bounds(confidence, b.confidenceLow, b.confidenceHigh);
  bounds(prediction, b.predictionLow, b.predictionHigh);
  return b;
}

FitAnalysis AnalyseRegression(TRovavAza& store, std::span<const DataPoint> points,
                              const ModelChoice& choice, double level, const CurveSampling& samples,
                              bool withBand) {
  FitAnalysis a;
  FitReport& r = a.report;
  const int n = store.NumPoints();
  RegressionInput in;
  in.x = store.PointTable().Column(1).first(std::size_t(n));
  in.y = store.PointTable().Column(2).first(std::size_t(n));
  Regression g;
  // Read only after a transformed fit has brought them up to date: the first read costs a pass.
  const auto sums = [&store]() -> const RunningSums& { return store.Sums(); };

  if (choice.model == "poly") {
    const int p = choice.order;
    std::array<double, PolynomialCurve::kMaxOrder + 1> c{};
    double fitQual = 0;
    bool rankDeficient = false;
    auto curve = std::make_shared<PolynomialCurve>();
    if (!store.CalcPolynomialFit(std::uint8_t(p), c, fitQual, rankDeficient, *curve))
      throw std::runtime_error("CalcPolynomialFit: the decomposition did not converge");
    r.formula = PolynomialFormula(p);
    r.params = PolynomialParams(c, p);
    r.fitQuality = FitQualityText(fitQual);
    r.fitQual = fitQual;
    r.solvedCentred = curve->Centred();
    in.order = p;
    in.solved_raw = !curve->Centred();
    in.fitted = [curve](double x) { return curve->ExtendedValue(x); };
    g.estimates.assign(c.begin(), c.begin() + p + 1);
    for (int j = 0; j <= p; ++j) g.rows.push_back({"k" + std::to_string(j), j});
    g.yAt = [curve](double x) -> std::optional<double> { return curve->Value(x); };
  } else {
    const ModelRow* row = nullptr;
    for (const ModelRow& candidate : ModelRows())
      if (candidate.CommandLineName == choice.model) row = &candidate;
    if (!row) throw std::invalid_argument("unknown model \"" + choice.model + "\"");
    const ModelFit fit = row->Fit(store);
    r.formula = std::string(row->Formula);
    r.params = row->Params(fit);
    r.fitQuality = FitQualityText(fit.FitQual);
    r.fitQual = fit.FitQual;
    g.yAt = [row, fit](double x) { return row->Value(fit, x); };
    const LD count = n;
    switch (row->Model) {
      case FitModel::Lin: {
        const double k = fit.P[0], d = fit.P[1];
        g.estimates = {d, k};
        g.rows = {{"k", 1}, {"d", 0}};
        in.fitted = [k, d](double x) { return LD(x) * k + d; };
        // One pass over the points: centred on the mean the sums already hold.
        in.centre = store.ImmediateSumX() / count;
        // All x equal: the fit leaves k = d = 0, but the least-squares values are the mean.
        if (!store.XVaries()) {
          const LD mean = store.ImmediateSumY() / count;
          in.fitted = [mean](double) { return mean; };
        }
        break;
      }
      case FitModel::Parabolic: {
        const double k0 = fit.P[0], k1 = fit.P[1], k2 = fit.P[2];
        g.estimates = {k0, k1, k2};
        g.rows = {{"k0", 0}, {"k1", 1}, {"k2", 2}};
        in.order = 2;
        in.fitted = [k0, k1, k2](double x) { return (LD(k2) * x + k1) * x + k0; };
        break;
      }
      case FitModel::Reciproc:
      case FitModel::Log:
      case FitModel::RecipLog: {
        const double k0 = fit.P[0], k1 = fit.P[1];
        g.estimates = {k0, k1};
        g.rows = {{"k0", 0}, {"k1", 1}};
        const bool lnX = row->Model != FitModel::Reciproc;
        g.u = lnX ? Coordinate::Ln : Coordinate::Same;
        g.z = row->Model == FitModel::Log ? Coordinate::Same : Coordinate::Reciprocal;
        if (g.z == Coordinate::Reciprocal) {
          g.space = "1/y";
          g.solvedAs = lnX ? "1/y = k0 + k1*ln(x)" : "1/y = k0 + k1*x";
        }
        in.fitted = [k0, k1, lnX](double x) { return (lnX ? std::log(LD(x)) : LD(x)) * k1 + k0; };
        in.centre = (lnX ? sums().SumLnX : sums().SumX) / count;
        break;
      }
      case FitModel::Expon: {
        const double k1 = fit.P[1];
        const LD b0 = std::log(LD(fit.P[0]));
        g.estimates = {double(b0), k1};
        g.rows = {{"b0", 0}, {"k1", 1}};
        g.z = Coordinate::Ln;
        g.space = "ln y";
        g.solvedAs = "ln y = b0 + k1*x  (k0 = e^b0)";
        in.fitted = [b0, k1](double x) { return LD(x) * k1 + b0; };
        in.centre = sums().SumX / count;
        break;
      }
    }
  }
  in.u = g.u;
  in.z = g.z;
  const RegressionStatistics s = LeastSquaresStatistics(in);

  r.space = g.space;
  r.solvedAs = g.solvedAs;
  r.parameterCount = s.parameters;
  r.rank = s.rank;
  r.dfResidual = s.df_residual;
  r.rss = s.rss;
  if (s.sigma2) r.sigma = std::sqrt(*s.sigma2);
  r.rSquared = s.r_squared;
  r.adjRSquared = s.adj_r_squared;
  r.fStatistic = s.f_statistic;
  // Where the fit shown leaves a residual a rounding above the spread, F is a hair below 0: no
  // evidence at all.
  if (s.f_statistic && s.rank > 1 && s.df_residual > 0)
    r.fP = *s.f_statistic > 0
               ? boost::math::cdf(boost::math::complement(
                     boost::math::fisher_f(s.rank - 1, s.df_residual), *s.f_statistic))
               : 1.0;
  r.aic = GaussianAic(s.rss, n, s.rank);
  r.bic = GaussianBic(s.rss, n, s.rank);
  if (choice.model == "poly" && std::isfinite(s.condition)) r.condition = s.condition;
  // In the report's order of the parameters.
  for (const std::vector<double>& v : s.undetermined) {
    std::vector<double> row;
    for (const auto& [name, j] : g.rows) row.push_back(v[std::size_t(j)]);
    r.undetermined.push_back(row);
  }

  const int m = s.parameters;
  std::vector<bool> determined(std::size_t(m), true);
  for (const std::vector<double>& v : s.undetermined)
    for (int j = 0; j < m; ++j)
      if (std::fabs(v[std::size_t(j)]) > kUndeterminedShare) determined[std::size_t(j)] = false;
  const auto cov = [&](int i, int j) { return s.covariance[std::size_t(i * m + j)]; };
  const std::optional<double> tq =
      s.df_residual > 0 ? std::optional<double>(StudentQuantile(level, s.df_residual))
                        : std::nullopt;
  for (const auto& [name, j] : g.rows) {
    ReportParameter p;
    p.name = name;
    p.estimate = g.estimates[std::size_t(j)];
    if (determined[std::size_t(j)] && s.sigma2) {
      const double se = std::sqrt(*s.sigma2 * cov(j, j));
      p.standardError = se;
      if (se > 0) {
        p.t = p.estimate / se;
        p.p = 2 * boost::math::cdf(boost::math::complement(boost::math::students_t(s.df_residual),
                                                           std::fabs(*p.t)));
      }
      p.low = double(LD(p.estimate) - LD(*tq) * se);
      p.high = double(LD(p.estimate) + LD(*tq) * se);
    }
    r.parameters.push_back(p);
  }
  for (const auto& [ni, i] : g.rows) {
    std::vector<std::optional<double>> covRow, corRow;
    for (const auto& [nj, j] : g.rows) {
      const bool known = determined[std::size_t(i)] && determined[std::size_t(j)];
      covRow.push_back(known && s.sigma2 ? std::optional<double>(*s.sigma2 * cov(i, j))
                                         : std::nullopt);
      const double scale = std::sqrt(cov(i, i) * cov(j, j));
      corRow.push_back(known && scale > 0 ? std::optional<double>(cov(i, j) / scale)
                                          : std::nullopt);
    }
    r.covariance.push_back(covRow);
    r.correlation.push_back(corRow);
  }
  if (choice.model == "expon") {
    const ReportParameter& b0 = r.parameters[0];
    ReportParameter k0;
    k0.name = "k0";
    k0.estimate = std::exp(b0.estimate);
    k0.derivedFrom = "e^b0";
    if (b0.low) k0.low = std::exp(*b0.low);
    if (b0.high) k0.high = std::exp(*b0.high);
    r.parameters.push_back(k0);
  }

  const auto bandAt = [&s, &g, &in, tq](double x) {
    BandValues b;
    if (!tq || !s.sigma2) return b;
    if (g.u == Coordinate::Ln && !(x > 0)) return b;
    const LD v = s.VarianceFactor(double(Transformed(g.u, x)));
    const LD sigma = std::sqrt(LD(*s.sigma2));
    return BandInY(g.z, in.fitted(x), *tq * sigma * std::sqrt(v), *tq * sigma * std::sqrt(1 + v));
  };
  if (withBand) {
    if (!tq || !s.sigma2)
      throw std::invalid_argument("--band needs more points than the model has parameters");
    // From RL, where the command's curve starts, through every sample.
    for (int i = 0; i <= CurveSampling::kSamples; ++i) {
      const double x = samples.Sample(i);
      if (const auto y = g.yAt(x)) a.curve.push_back({x, *y, a.curve.empty(), bandAt(x)});
    }
  }
  a.residuals = [points, yAt = g.yAt, u = g.u, s]() {
    std::vector<ResidualRow> rows;
    rows.reserve(points.size());
    for (const DataPoint& pt : points) {
      ResidualRow row{pt.x, pt.y, {}, {}, {}};
      row.fitted = yAt(pt.x);
      if (row.fitted) row.residual = pt.y - *row.fitted;
      row.leverage = s.VarianceFactor(double(Transformed(u, pt.x)));
      rows.push_back(row);
    }
    return rows;
  };
  return a;
}

// The spline's statistics (their knots included), and where repeated x were merged, the merged
// spline, which shares a knot's leverage among its points.
struct SplineView {
  SplineStatistics stats;
  std::shared_ptr<const MergedSmoothingSpline> merged;
};

FitAnalysis AnalyseSpline(TRovavAza& store, std::span<const DataPoint> points,
                          const ModelChoice& choice, double level, bool mergeTies,
                          const CurveSampling& samples, bool withBand) {
  FitAnalysis a;
  FitReport& r = a.report;
  r.spline = true;
  r.factor = choice.factor;
  auto view = std::make_shared<SplineView>();
  std::vector<CurvePoint> curve;
  if (mergeTies) {
    std::vector<double> xs(points.size()), ys(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) xs[i] = points[i].x, ys[i] = points[i].y;
    auto merged = std::make_shared<MergedSmoothingSpline>(xs, ys, choice.factor);
    r.fitQual = merged->FitQuality();
    r.fitQuality = FitQualityText(r.fitQual);
    double x0 = xs[0];
    for (double x : xs) x0 = std::min(x0, x);
    bool valid = false;
    curve.push_back({x0, merged->Value(x0, valid), true});
    for (int i = 1; i <= CurveSampling::kSamples; ++i) {
      const double x = samples.Sample(i);
      const double y = merged->Value(x, valid);
      if (valid) curve.push_back({x, y, false});
    }
    view->stats = merged->Statistics();
    r.groups = merged->Groups();
    r.mergedGroups = merged->MergedGroups();
    view->merged = merged;
  } else {
    double fitQual = 0;
    SweepSmoothSpline(
        store, samples, choice.factor, [&](double q) { fitQual = q; },
        [&](double x, double y, bool move) {
          curve.push_back({x, y, move});
        });
    r.fitQual = fitQual;
    r.fitQuality = FitQualityText(fitQual);
    view->stats = store.SmoothSplineStatistics();
    r.groups = int(view->stats.knots.size());
  }
  const SplineStatistics& st = view->stats;
  r.n = int(points.size());
  r.smoothingParameter = st.p;
  r.trace = st.trace;
  r.rss = st.residual_sum;
  r.gcv = st.gcv;
  if (r.n > st.trace) {
    r.sigma2 = st.sigma2;
    r.sigma = std::sqrt(st.sigma2);
  }
  r.aic = GaussianAic(st.residual_sum, r.n, st.trace);
  r.bic = GaussianBic(st.residual_sum, r.n, st.trace);

  if (withBand) {
    if (!r.sigma2)
      throw std::invalid_argument("--band needs a spline with residual degrees of freedom");
    const LD z = BandQuantile(level);
    const LD sigma2 = *r.sigma2;
    for (const CurvePoint& p : curve) {
      const LD f = BandVarianceFactor(st, p.x);
      const LD c = z * std::sqrt(sigma2 * f), q = z * std::sqrt(sigma2 * (1 + f));
      a.curve.push_back(
          {p.x, p.y, p.move, {double(p.y - c), double(p.y + c), double(p.y - q), double(p.y + q)}});
    }
  } else {
    for (const CurvePoint& p : curve) a.curve.push_back({p.x, p.y, p.move, {}});
  }
  a.residuals = [points, view]() {
    std::vector<ResidualRow> rows;
    rows.reserve(points.size());
    const std::vector<double>& knots = view->stats.knots;
    for (const DataPoint& pt : points) {
      const std::size_t g =
          std::size_t(std::lower_bound(knots.begin(), knots.end(), pt.x) - knots.begin());
      const double fitted = view->stats.fitted[g];
      const double leverage =
          view->merged ? view->merged->PointLeverage(view->stats, int(g)) : view->stats.leverage[g];
      rows.push_back({pt.x, pt.y, fitted, pt.y - fitted, leverage});
    }
    return rows;
  };
  return a;
}

}  // namespace

std::optional<double> GaussianAic(double rss, int n, double k) {
  if (!(rss > 0) || n < 1) return std::nullopt;
  const LD m2ll = n * (std::log(2 * std::numbers::pi_v<LD>) + std::log(LD(rss) / n) + 1);
  return double(m2ll + 2 * (LD(k) + 1));
}

std::optional<double> GaussianBic(double rss, int n, double k) {
  if (!(rss > 0) || n < 1) return std::nullopt;
  const LD m2ll = n * (std::log(2 * std::numbers::pi_v<LD>) + std::log(LD(rss) / n) + 1);
  return double(m2ll + std::log(LD(n)) * (LD(k) + 1));
}

FitAnalysis AnalyseFit(TRovavAza& store, std::span<const DataPoint> points,
                       const ModelChoice& choice, double level, bool mergeTies,
                       const CurveSampling& curveSamples, bool withBand) {
  FitAnalysis a =
      choice.model == "spline"
          ? AnalyseSpline(store, points, choice, level, mergeTies, curveSamples, withBand)
          : AnalyseRegression(store, points, choice, level, curveSamples, withBand);
  a.report.model = choice.model == "poly"     ? "poly:" + std::to_string(choice.order)
                   : choice.model == "spline" ? "spline:" + ShortestText(choice.factor)
                                              : choice.model;
  a.report.level = level;
  a.report.n = int(points.size());
  return a;
}

std::string RepeatedXNotice(std::span<const DataPoint> points, std::span<const long> lines) {
  std::unordered_map<double, std::size_t> first;
  first.reserve(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const auto [at, fresh] = first.try_emplace(points[i].x, i);
    if (fresh) continue;
    const double x = points[i].x;
    std::vector<std::size_t> where;
    for (std::size_t j = at->second; j < points.size() && where.size() <= 10; ++j)
      if (points[j].x == x) where.push_back(j);
    const bool byLine = lines.size() == points.size();
    std::string text = ": x = " + ShortestText(x) + (byLine ? " on lines " : " at points ");
    for (std::size_t k = 0; k < where.size() && k < 10; ++k)
      text += (k ? ", " : "") + std::to_string(byLine ? lines[where[k]] : long(where[k] + 1));
    if (where.size() > 10) text += ", \xE2\x80\xA6";
    return text + " (--ties merge fits the mean of each x)";
  }
  return {};
}
