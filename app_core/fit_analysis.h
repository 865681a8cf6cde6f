#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app_core/model_curve.h"
#include "app_core/model_table.h"
#include "base/data_point.h"
#include "fit/regression_inference.h"
#include "fit/rovav_aza.h"

// What a fit says about itself, for the command line's report: the model's parameters with
// their uncertainties, the fit's summary, and the bands and residuals at any x.
//
//   const FitAnalysis a = AnalyseFit(store, points, ModelRow({ModelKind::Polynomial, 3}), 0.95,
//                                    false, samples, true);
//   for (const ReportParameter& p : a.report.parameters) ...

// One row of the parameter table. Values that do not exist (no degrees of freedom left, a
// direction the data do not fix) are nullopt.
struct ReportParameter {
  std::string name;  // as the formula names it: k, d, k0, …; b0 for ln k0
  double estimate = 0;
  std::optional<double> standardError, t, p, low, high;
  // A parameter the formula derives from the line solved (k0 = e^b0): its interval is the
  // transformed interval; it has no standard error, t or p of its own.
  std::string derivedFrom;
};

struct FitReport {
  std::string model;                        // lin, poly:3, spline:0.5, …
  std::string formula, params, fitQuality;  // the three lines the window's labels show
  double fitQual = 0;                       // the goodness of fit the last of them shows
  double level = 0.95;
  int n = 0;  // points

  // The least-squares models.
  std::string space;     // "" (in y), "1/y" or "ln y": where the line was solved
  std::string solvedAs;  // the regression solved, e.g. "ln y = b0 + k1*x"
  std::vector<ReportParameter> parameters;
  int parameterCount = 0, rank = 0, dfResidual = 0;
  double rss = 0;
  std::optional<double> sigma, rSquared, adjRSquared, fStatistic, fP, aic, bic;
  std::optional<double> condition;  // the polynomial's design
  bool reportsCondition = false;    // the polynomial: its condition and rank are reported
  bool solvedCentred = false;       // the polynomial was solved in centred, scaled powers
  // The covariance and correlation of the solved parameters (rows as `parameters` without the
  // derived ones); nullopt where undetermined.
  std::vector<std::vector<std::optional<double>>> covariance, correlation;
  // Where the design lost rank: directions in the solved parameters the data do not fix, unit
  // vectors in the order of `parameters`.
  std::vector<std::vector<double>> undetermined;

  // The smoothing spline.
  bool spline = false;
  double factor = 0, smoothingParameter = 0, trace = 0, gcv = 0;
  std::optional<double> sigma2;
  int groups = 0, mergedGroups = 0;  // --ties merge: knots, and knots of two or more points
};

struct ResidualRow {
  double x, y;
  std::optional<double> fitted, residual, leverage;
};

struct SampledBand {
  double x, y;
  bool move;
  BandValues band;
};

struct FitAnalysis {
  FitReport report;
  // The fitted curve as the command draws it, each point with its band.
  std::vector<SampledBand> curve;
  // Every point's residual row to the sink, in the points' order.
  using ResidualSink = std::function<void(const ResidualRow& row)>;
  std::function<void(const ResidualSink& sink)> residuals;
};

// The residual rows of every point, in the points' order.
std::vector<ResidualRow> ResidualRows(const FitAnalysis& analysis);

// Fits the model to the store's points (also given as `points`, in file order) and analyses the
// fit at the confidence level. `mergeTies`: the spline merges repeated x. `curveSamples` is the
// sampling of the curve and its band. Throws the fits' errors; the spline's refusal of repeated
// x names the first of them (see RepeatedXNotice). Throws std::invalid_argument where the report
// cannot be formed (a band without degrees of freedom). `known`: a least-squares model's fit to
// these points made already, used instead of fitting again.
FitAnalysis AnalyseFit(TRovavAza& store, std::span<const DataPoint> points, const ModelRow& row,
                       double level, bool mergeTies, const CurveSampling& curveSamples,
                       bool withBand, const ModelFit* known = nullptr);

// The x values that occur more than once: how many distinct ones, and the first that repeats in
// the points' order (count 0: none).
struct RepeatedX {
  int count = 0;
  double first = 0;
};
RepeatedX FindRepeatedX(std::span<const double> xs);

// ", x = 2 on lines 4 and 9" style text about the first x that repeats, in file order, or empty.
// `lines` are the points' line numbers (empty: point numbers are shown instead).
std::string RepeatedXNotice(std::span<const DataPoint> points, std::span<const long> lines);
