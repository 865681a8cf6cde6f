#pragma once

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app_core/curve_sampling.h"
#include "fit/polynomial_curve.h"
#include "fit/regression_statistics.h"
#include "fit/rovav_aza.h"
#include "scale/num_lab_text.h"

// What each model is, in one place: the eight of the window, the polynomial made from its order
// and the spline from its smoothing factor. The window's commands, the command-line fit and its
// report, the comparison of all models and the picture read these rows; nothing else tells the
// models apart.
//
//   const ModelRow row({ModelKind::Polynomial, 3});
//   const ModelFit fit = FitOrThrow(row, store);   // throws the fit's errors
//   label = row.Formula(); params = row.Params(fit);
//   const std::optional<double> y = row.Value(fit, x);
enum class ModelKind { Lin, Parabolic, Reciproc, Log, RecipLog, Expon, Polynomial, Spline };

// A model as a command names it.
struct ModelChoice {
  ModelKind kind = ModelKind::Lin;
  int order = 0;      // the polynomial's: 0..10 from the window, 1..9 from the command line
  double factor = 0;  // the spline's smoothing factor, 0..1
  // The spline of the points with repeated x merged: one knot per x at the mean of its y,
  // weighted by the count (MergedSmoothingSpline).
  bool mergeTies = false;
};

// MODEL as the command line gives it: one model, every model compared, or the points alone.
struct ModelArgument {
  enum class What { One, All, None };
  What what = What::One;
  ModelChoice model;
};

// Parses lin, parabolic, reciproc, log, reciplog, expon, poly:N (N 1..9), spline:F (F 0..1),
// and, where allowed, all and none. The usage problem as the second member where it fails.
std::pair<std::optional<ModelArgument>, std::string> ParseModelArgument(std::string_view text,
                                                                        bool allowAll,
                                                                        bool allowNone);

// The outputs of a least-squares model's fit: the parameters in the order its labels list them
// (k, d for the line; k0, k1, k2 for the parabola; k0..kN for the polynomial; k0, k1 for the
// others), the goodness of fit, and the polynomial as it was solved.
struct ModelFit {
  std::array<double, PolynomialCurve::kMaxOrder + 1> P{};
  double FitQual = 0;
  std::shared_ptr<const PolynomialCurve> Curve;
};

// The message of a polynomial fit whose decomposition did not converge.
inline constexpr std::string_view kPolynomialNotConverged =
    "CalcPolynomialFit: the decomposition did not converge";

struct ModelKindRow;

class ModelRow {
 public:
  explicit ModelRow(const ModelChoice& choice);

  const ModelChoice& Choice() const { return choice_; }
  ModelKind Kind() const { return choice_.kind; }
  // The command line's name: lin, poly:3, spline:0.5.
  std::string Name() const;
  // The smoothing spline: no least-squares fit, no parameters; its curve comes from
  // SweepSmoothSpline, its statistics from the spline's own.
  bool IsSpline() const { return choice_.kind == ModelKind::Spline; }

  // The formula label's text (empty for the spline) and the parameters label's.
  std::string Formula() const;
  std::string Params(const ModelFit& fit) const;

  // The store's fit, as the model's command runs it. nullopt where the polynomial's decomposition
  // did not converge (the window's command then draws nothing); the fit's own errors are thrown.
  // Not for the spline.
  std::optional<ModelFit> Fit(const TRovavAza& store) const;
  // y at x as the command draws it, rounded to a double where stored; nullopt where the model
  // has no value at x.
  std::optional<double> Value(const ModelFit& fit, double x) const;
  // The curve as the command draws it: the line from RL to RH; the polynomial from the form it
  // was solved in, a move to RL + CurveStep, then each sample; the others a move to RL (the
  // logarithm without a value there from (0, -1000000)), then each sample where the model has a
  // value. Not for the spline (SweepSmoothSpline).
  void Sweep(const ModelFit& fit, const CurveSampling& samples, const CurveSink& point) const;

  // The least-squares problem the fit solved: z = Σ b_j u^j, j = 0..order, in the coordinates
  // u = U(x) and z = Z(y).
  Coordinate U() const;
  Coordinate Z() const;
  int ParameterCount() const;
  // "" (solved in y), "1/y" or "ln y", and the regression solved where it is not y's own.
  std::string_view Space() const;
  std::string_view SolvedAs() const;
  // b_0..b_order as the fit gives them.
  std::vector<double> SolvedEstimates(const ModelFit& fit) const;
  // The report's rows: each parameter's name and its index among b_0..b_order, in the order the
  // formula names them (k before d for the line; b0 for the exponential's ln k0).
  std::vector<std::pair<std::string, int>> ReportParameters() const;
  // The exponential's k0 = e^b0: the name, and what it is derived from; empty for the others.
  std::string_view DerivedName() const;
  std::string_view DerivedFrom() const;
  // Whether the report gives the design's condition number (the polynomial's basis is chosen
  // for it; the lines' is always well conditioned).
  bool ReportsCondition() const { return choice_.kind == ModelKind::Polynomial; }
  // The statistics' input for the fit: transforms, order, ẑ(x) in extended precision and a
  // centre for the sums where the store's running sums give one; x and y are the store's.
  RegressionInput StatisticsInput(const ModelFit& fit, const TRovavAza& store) const;

 private:
  ModelChoice choice_;
  const ModelKindRow* kind_;
};

// The fit, or the polynomial's non-convergence as an error with kPolynomialNotConverged.
ModelFit FitOrThrow(const ModelRow& row, const TRovavAza& store);

// The least-squares models in the window's order, the polynomials of order 1..9 among them
// after the parabola, then the spline at `splineFactor`: what `--fit all` compares.
std::vector<ModelChoice> ComparedModels(int maxOrder, double splineFactor);

// How the goodness-of-fit label writes its value, and the text it shows for a value.
NumLabTextSettings FitQualityTextSettings();
std::string FitQualityText(double fitQual);
