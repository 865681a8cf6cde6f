#include "app_core/fit_analysis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <unordered_map>

#include "app_core/curve_sampling.h"
#include "base/two_halves.h"
#include "fit/regression_statistics.h"
#include "fit/spline_statistics.h"
#include "fit/tied_spline.h"
#include "format/shortest_text.h"

namespace {

FitAnalysis AnalyseRegression(TRovavAza& store, std::span<const DataPoint> points,
                              const ModelRow& row, double level, const CurveSampling& samples,
                              bool withBand, const ModelFit* known) {
  FitAnalysis a;
  FitReport& r = a.report;
  const ModelFit fit = known ? *known : FitOrThrow(row, store);
  r.formula = row.Formula();
  r.params = row.Params(fit);
  r.fitQuality = FitQualityText(fit.FitQual);
  r.fitQual = fit.FitQual;
  r.solvedCentred = fit.Curve && fit.Curve->Centred();

  const RegressionInput in = row.StatisticsInput(fit, store);
  const RegressionStatistics s = LeastSquaresStatistics(in);
  const RegressionInference inf = InferRegression(s, row.SolvedEstimates(fit), level);

  r.space = row.Space();
  r.solvedAs = row.SolvedAs();
  r.parameterCount = s.parameters;
  r.rank = s.rank;
  r.dfResidual = s.df_residual;
  r.rss = s.rss;
  if (s.sigma2) r.sigma = std::sqrt(*s.sigma2);
  r.rSquared = s.r_squared;
  r.adjRSquared = s.adj_r_squared;
  r.fStatistic = s.f_statistic;
  r.fP = inf.fP;
  r.aic = inf.aic;
  r.bic = inf.bic;
  r.reportsCondition = row.ReportsCondition();
  if (r.reportsCondition && std::isfinite(s.condition)) r.condition = s.condition;

  // The report lists the parameters as the formula names them; the statistics' basis is b_j.
  const std::vector<std::pair<std::string, int>> rows = row.ReportParameters();
  for (const std::vector<double>& v : s.undetermined) {
    std::vector<double> reordered;
    for (const auto& [name, j] : rows) reordered.push_back(v[std::size_t(j)]);
    r.undetermined.push_back(reordered);
  }
  for (const auto& [name, j] : rows) {
    const ParameterInference& p = inf.parameters[std::size_t(j)];
    r.parameters.push_back({name, p.estimate, p.standardError, p.t, p.p, p.low, p.high, {}});
  }
  for (const auto& [ni, i] : rows) {
    std::vector<std::optional<double>> covRow, corRow;
    for (const auto& [nj, j] : rows) {
      covRow.push_back(inf.covariance[std::size_t(i)][std::size_t(j)]);
      corRow.push_back(inf.correlation[std::size_t(i)][std::size_t(j)]);
    }
    r.covariance.push_back(covRow);
    r.correlation.push_back(corRow);
  }
  if (!row.DerivedName().empty()) {
    const ParameterInference e = ExponentialOf(inf.parameters[0]);
    r.parameters.push_back({std::string(row.DerivedName()),
                            e.estimate,
                            {},
                            {},
                            {},
                            e.low,
                            e.high,
                            std::string(row.DerivedFrom())});
  }

  if (withBand) {
    if (!inf.quantile || !s.sigma2)
      throw std::invalid_argument("--band needs more points than the model has parameters");
    // From RL, where the command's curve starts, through every sample.
    for (int i = 0; i <= CurveSampling::kSamples; ++i) {
      const double x = samples.Sample(i);
      if (const auto y = row.Value(fit, x))
        a.curve.push_back({x, *y, a.curve.empty(), RegressionBand(s, inf, in, x)});
    }
  }
  a.residuals = [points, row, fit, u = in.u, s](const FitAnalysis::ResidualSink& sink) {
    // The leverages first, on two threads, in runs whose leverages share one test of the flags.
    constexpr std::size_t kRun = 1024;
    const std::size_t n = points.size();
    std::vector<double> leverages(n);
    InTwoHalves((n + kRun - 1) / kRun, [&](std::size_t first, std::size_t last) {
      std::array<double, kRun> us;
      for (std::size_t from = first * kRun; from < std::min(n, last * kRun); from += kRun) {
        const std::size_t m = std::min(kRun, n - from);
        for (std::size_t i = 0; i < m; ++i) us[i] = double(InCoordinate(u, points[from + i].x));
        s.VarianceFactors({us.data(), m}, {leverages.data() + from, m});
      }
    });
    for (std::size_t i = 0; i < n; ++i) {
      const DataPoint& pt = points[i];
      ResidualRow r{pt.x, pt.y, row.Value(fit, pt.x), {}, leverages[i]};
      if (r.fitted) r.residual = pt.y - *r.fitted;
      sink(r);
    }
  };
  return a;
}

// The spline's statistics (their knots included), and where repeated x were merged, the merged
// spline, which shares a knot's leverage among its points.
struct SplineView {
  SplineStatistics stats;
  std::shared_ptr<const MergedSmoothingSpline> merged;
};

FitAnalysis AnalyseSpline(TRovavAza& store, std::span<const DataPoint> points, double factor,
                          double level, bool mergeTies, const CurveSampling& samples,
                          bool withBand) {
  FitAnalysis a;
  FitReport& r = a.report;
  r.spline = true;
  r.factor = factor;
  auto view = std::make_shared<SplineView>();
  std::vector<CurvePoint> curve;
  if (mergeTies) {
    std::vector<double> xs(points.size()), ys(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) xs[i] = points[i].x, ys[i] = points[i].y;
    auto merged = std::make_shared<MergedSmoothingSpline>(xs, ys, factor);
    r.fitQual = merged->FitQuality();
    r.fitQuality = FitQualityText(r.fitQual);
    double x0 = xs[0];
    for (double x : xs) x0 = std::min(x0, x);
    SweepMergedSpline(*merged, x0, samples, [&curve](double x, double y, bool move) {
      curve.push_back({x, y, move});
    });
    view->stats = merged->Statistics();
    r.groups = merged->Groups();
    r.mergedGroups = merged->MergedGroups();
    view->merged = merged;
  } else {
    double fitQual = 0;
    SweepSmoothSpline(
        store, samples, factor, [&](double q) { fitQual = q; },
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
    const long double z = BandQuantile(level);
    for (const CurvePoint& p : curve)
      a.curve.push_back({p.x, p.y, p.move, SplineBand(st, *r.sigma2, z, p.x, p.y)});
  } else {
    for (const CurvePoint& p : curve) a.curve.push_back({p.x, p.y, p.move, {}});
  }
  a.residuals = [points, view](const FitAnalysis::ResidualSink& sink) {
    const std::vector<double>& knots = view->stats.knots;
    for (const DataPoint& pt : points) {
      const std::size_t g =
          std::size_t(std::lower_bound(knots.begin(), knots.end(), pt.x) - knots.begin());
      const double fitted = view->stats.fitted[g];
      const double leverage =
          view->merged ? view->merged->PointLeverage(view->stats, int(g)) : view->stats.leverage[g];
      sink({pt.x, pt.y, fitted, pt.y - fitted, leverage});
    }
  };
  return a;
}

}  // namespace

FitAnalysis AnalyseFit(TRovavAza& store, std::span<const DataPoint> points, const ModelRow& row,
                       double level, bool mergeTies, const CurveSampling& curveSamples,
                       bool withBand, const ModelFit* known) {
  FitAnalysis a = row.IsSpline()
                      ? AnalyseSpline(store, points, row.Choice().factor, level, mergeTies,
                                      curveSamples, withBand)
                      : AnalyseRegression(store, points, row, level, curveSamples, withBand, known);
  a.report.model = row.Name();
  a.report.level = level;
  a.report.n = int(points.size());
  return a;
}

std::vector<ResidualRow> ResidualRows(const FitAnalysis& analysis) {
  std::vector<ResidualRow> rows;
  rows.reserve(std::size_t(analysis.report.n));
  analysis.residuals([&rows](const ResidualRow& row) { rows.push_back(row); });
  return rows;
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

RepeatedX FindRepeatedX(std::span<const double> xs) {
  RepeatedX r;
  std::unordered_map<double, std::size_t> seen;
  seen.reserve(xs.size());
  for (const double x : xs)
    if (++seen[x] == 2) {
      if (r.count == 0) r.first = x;
      ++r.count;
    }
  return r;
}
