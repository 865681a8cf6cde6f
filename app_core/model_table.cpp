#include "app_core/model_table.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <stdexcept>

#include "app_core/parse_whole.h"
#include "base/float_check.h"
#include "fit/numeric_kernels.h"
#include "format/format_fixed_width.h"
#include "format/shortest_text.h"

// What a model is, whatever its order or factor: the polynomial's entries take the order the row
// was made with.
struct ModelKindRow {
  ModelKind kind;
  std::string_view name;  // the command line's; poly: and spline: take a number after it
  Coordinate u, z;
  std::string_view space, solvedAs;
  std::string_view derivedName, derivedFrom;
  std::string (*formula)(int order);
  std::string (*params)(const ModelFit& f, int order);
  bool (*fit)(const TRovavAza& store, int order, ModelFit& f);
  std::optional<double> (*value)(const ModelFit& f, double x);
  std::vector<double> (*estimates)(const ModelFit& f, int order);  // b_0..b_order
  std::vector<std::pair<std::string, int>> (*rows)(int order);     // the report's, over b_j
  void (*input)(const ModelFit& f, const TRovavAza& store, int order, RegressionInput& in);
  // The curve as the command draws it.
  void (*sweep)(const ModelKindRow& row, const ModelFit& f, const CurveSampling& samples,
                const CurveSink& point);
};

namespace {

std::string F6(double v) {
  return FormatFixedWidth(1, 6, v);
}
std::string F3(double v) {
  return FormatFixedWidth(1, 3, v);
}

// The reciprocal models test their denominator as a double and take y from that double.
std::optional<double> Reciprocal(Ext q) {
  const double stored = StoredDouble(q);
  if (stored == 0) return std::nullopt;
  return StoredDouble(1 / Ext(stored));
}

// The fits with two parameters, k (or k0) and d (or k1).
template <void (TRovavAza::*Fit)(double&, double&, double&) const>
bool TwoParameterFit(const TRovavAza& store, int, ModelFit& f) {
  (store.*Fit)(f.P[0], f.P[1], f.FitQual);
  return true;
}

std::vector<std::pair<std::string, int>> PowerRows(int order) {
  std::vector<std::pair<std::string, int>> rows;
  for (int j = 0; j <= order; ++j) rows.push_back({"k" + std::to_string(j), j});
  return rows;
}

std::vector<double> InOrder(const ModelFit& f, int order) {
  return std::vector<double>(f.P.begin(), f.P.begin() + order + 1);
}

// The transformed lines k0 + k1·u, u = x or ln x, with the store's double estimates, centred on
// the mean of u from the running sums, so that their statistics take one pass.
template <bool LnX>
void TransformedLineInput(const ModelFit& f, const TRovavAza& store, int, RegressionInput& in) {
  const double k0 = f.P[0], k1 = f.P[1];
  in.fitted = [k0, k1](double x) { return (LnX ? std::log(Ext(x)) : Ext(x)) * k1 + k0; };
  in.centre = (LnX ? store.Sums().SumLnX : store.Sums().SumX) / Ext(store.NumPoints());
}

// From RL, then a line to each sample where the model has a value.
void SweepSamples(const ModelKindRow& row, const ModelFit& f, const CurveSampling& samples,
                  const CurveSink& point) {
  if (const auto y0 = row.value(f, samples.RL())) point(samples.RL(), *y0, true);
  for (int i = 1; i <= CurveSampling::kSamples; ++i) {
    const double x = samples.Sample(i);
    if (const auto yi = row.value(f, x)) point(x, *yi, false);
  }
}

// The line needs no samples: RL to RH.
void SweepLine(const ModelKindRow& row, const ModelFit& f, const CurveSampling& samples,
               const CurveSink& point) {
  point(samples.RL(), *row.value(f, samples.RL()), true);
  point(samples.RH(), *row.value(f, samples.RH()), false);
}

// ln x has no value from RL up to 0: the curve starts from (0, -1000000) there.
void SweepLogarithm(const ModelKindRow& row, const ModelFit& f, const CurveSampling& samples,
                    const CurveSink& point) {
  if (!row.value(f, samples.RL())) point(0, -1000000, true);
  SweepSamples(row, f, samples, point);
}

void SweepPolynomialFit(const ModelKindRow&, const ModelFit& f, const CurveSampling& samples,
                        const CurveSink& point) {
  SweepPolynomial(samples, *f.Curve, point);
}

std::string PolynomialFormula(int order) {
  std::string formula = "y = k0+k1*x";
  for (int j = 2; j <= order; ++j)
    formula += "+k" + std::to_string(j) + "*x^" + std::to_string(j) + " ";
  return formula;
}

std::string PolynomialParams(const ModelFit& f, int order) {
  std::string params;
  for (int j = 0; j <= order && j < int(f.P.size()); ++j)
    params += "k" + std::to_string(j) + "=" + F6(f.P[std::size_t(j)]) + "  ";
  return params;
}

constexpr ModelKindRow kKinds[] = {
    {ModelKind::Lin, "lin", Coordinate::Same, Coordinate::Same, "", "", "", "",
     [](int) { return std::string("y = k*x + d"); },
     [](const ModelFit& f, int) { return "k = " + F6(f.P[0]) + "    d = " + F3(f.P[1]); },
     TwoParameterFit<&TRovavAza::CalcLinFit>,
     [](const ModelFit& f, double x) -> std::optional<double> {
       return StoredDouble(Ext(x) * f.P[0] + f.P[1]);
     },
     [](const ModelFit& f, int) {
       return std::vector<double>{f.P[1], f.P[0]};
     },
     [](int) {
       return std::vector<std::pair<std::string, int>>{{"k", 1}, {"d", 0}};
     },
     [](const ModelFit& f, const TRovavAza& store, int, RegressionInput& in) {
       const double k = f.P[0], d = f.P[1];
       const Ext count = store.NumPoints();
       in.fitted = [k, d](double x) { return Ext(x) * k + d; };
       // One pass over the points: centred on the mean the sums already hold.
       in.centre = store.ImmediateSumX() / count;
       // All x equal: the fit leaves k = d = 0, but the least-squares values are the mean.
       if (!store.XVaries()) {
         const Ext mean = store.ImmediateSumY() / count;
         in.fitted = [mean](double) { return mean; };
       }
     },
     SweepLine},
    {ModelKind::Parabolic, "parabolic", Coordinate::Same, Coordinate::Same, "", "", "", "",
     [](int) { return std::string("y = k0 + k1*x + k2*sqr(x)"); },
     [](const ModelFit& f, int) {
       return "k0 = " + F6(f.P[0]) + "    k1 = " + F3(f.P[1]) + "    k2 = " + F3(f.P[2]);
     },
     [](const TRovavAza& s, int, ModelFit& f) {
       s.CalcParabolFit(f.P[0], f.P[1], f.P[2], f.FitQual);
       return true;
     },
     [](const ModelFit& f, double x) -> std::optional<double> {
       return StoredDouble(Ext(x) * x * f.P[2] + (Ext(x) * f.P[1] + f.P[0]));
     },
     [](const ModelFit& f, int) { return InOrder(f, 2); }, [](int) { return PowerRows(2); },
     [](const ModelFit& f, const TRovavAza&, int, RegressionInput& in) {
       const double k0 = f.P[0], k1 = f.P[1], k2 = f.P[2];
       in.order = 2;
       in.fitted = [k0, k1, k2](double x) { return (Ext(k2) * x + k1) * x + k0; };
     },
     SweepSamples},
    {ModelKind::Reciproc, "reciproc", Coordinate::Same, Coordinate::Reciprocal, "1/y",
     "1/y = k0 + k1*x", "", "", [](int) { return std::string("y = 1/(k0 + k1*x)"); },
     [](const ModelFit& f, int) { return "k0 = " + F6(f.P[0]) + "     k1 = " + F3(f.P[1]); },
     TwoParameterFit<&TRovavAza::CalcReciLinFit>,
     [](const ModelFit& f, double x) { return Reciprocal(Ext(x) * f.P[1] + f.P[0]); },
     [](const ModelFit& f, int) { return InOrder(f, 1); }, [](int) { return PowerRows(1); },
     TransformedLineInput<false>, SweepSamples},
    {ModelKind::Log, "log", Coordinate::Ln, Coordinate::Same, "", "", "", "",
     [](int) { return std::string("y = k0 + k1*ln(x)"); },
     [](const ModelFit& f, int) { return "k0 = " + F6(f.P[0]) + "    k1 = " + F3(f.P[1]); },
     TwoParameterFit<&TRovavAza::CalcLogFit>,
     [](const ModelFit& f, double x) -> std::optional<double> {
       if (!(x > 0)) return std::nullopt;
       return StoredDouble(std::log(Ext(x)) * f.P[1] + f.P[0]);
     },
     [](const ModelFit& f, int) { return InOrder(f, 1); }, [](int) { return PowerRows(1); },
     TransformedLineInput<true>, SweepLogarithm},
    {ModelKind::RecipLog, "reciplog", Coordinate::Ln, Coordinate::Reciprocal, "1/y",
     "1/y = k0 + k1*ln(x)", "", "", [](int) { return std::string("y = 1/(k0 + k1*ln(x))"); },
     [](const ModelFit& f, int) { return "k0 = " + F3(f.P[0]) + "     k1 = " + F3(f.P[1]); },
     TwoParameterFit<&TRovavAza::CalcReciLogFit>,
     [](const ModelFit& f, double x) -> std::optional<double> {
       if (!(x > 0)) return std::nullopt;
       return Reciprocal(std::log(Ext(x)) * f.P[1] + f.P[0]);
     },
     [](const ModelFit& f, int) { return InOrder(f, 1); }, [](int) { return PowerRows(1); },
     TransformedLineInput<true>, SweepSamples},
    {ModelKind::Expon, "expon", Coordinate::Same, Coordinate::Ln, "ln y",
     "ln y = b0 + k1*x  (k0 = e^b0)", "k0", "e^b0",
     [](int) { return std::string("y = k0*e^(k1*x)"); },
     [](const ModelFit& f, int) { return "k0 = " + F3(f.P[0]) + "    k1 = " + F3(f.P[1]); },
     TwoParameterFit<&TRovavAza::CalcExponentialFit>,
     [](const ModelFit& f, double x) -> std::optional<double> {
       return StoredDouble(std::exp(Ext(x) * f.P[1]) * f.P[0]);
     },
     // Solved as ln y = b0 + k1·x: b0 = ln k0.
     [](const ModelFit& f, int) {
       return std::vector<double>{double(std::log(Ext(f.P[0]))), f.P[1]};
     },
     [](int) {
       return std::vector<std::pair<std::string, int>>{{"b0", 0}, {"k1", 1}};
     },
     [](const ModelFit& f, const TRovavAza& store, int, RegressionInput& in) {
       const double k1 = f.P[1];
       const Ext b0 = std::log(Ext(f.P[0]));
       in.fitted = [b0, k1](double x) { return Ext(x) * k1 + b0; };
       in.centre = store.Sums().SumX / Ext(store.NumPoints());
     },
     SweepSamples},
    {ModelKind::Polynomial, "poly", Coordinate::Same, Coordinate::Same, "", "", "", "",
     PolynomialFormula, PolynomialParams,
     [](const TRovavAza& store, int order, ModelFit& f) {
       bool rankDeficient = false;
       auto curve = std::make_shared<PolynomialCurve>();
       if (!store.CalcPolynomialFit(std::uint8_t(order), f.P, f.FitQual, rankDeficient, *curve))
         return false;
       f.Curve = std::move(curve);
       return true;
     },
     // The curve from the form the fit was solved in; the labels show the coefficients of x^j.
     [](const ModelFit& f, double x) -> std::optional<double> { return f.Curve->Value(x); },
     InOrder, PowerRows,
     [](const ModelFit& f, const TRovavAza&, int order, RegressionInput& in) {
       in.order = order;
       in.solved_raw = !f.Curve->Centred();
       in.fitted = [curve = f.Curve](double x) { return curve->ExtendedValue(x); };
     },
     SweepPolynomialFit},
    {ModelKind::Spline, "spline", Coordinate::Same, Coordinate::Same, "", "", "", "",
     [](int) { return std::string(); }, [](const ModelFit&, int) { return std::string(); }, nullptr,
     nullptr, nullptr, nullptr, nullptr, nullptr},
};

static_assert(
    [] {
      for (int i = 0; i < int(std::size(kKinds)); ++i)
        if (int(kKinds[i].kind) != i) return false;
      return true;
    }(),
    "the rows stand in the order of ModelKind");

// The window's order control stops at 9.
constexpr int kMaxCommandLineOrder = 9;

}  // namespace

std::pair<std::optional<ModelArgument>, std::string> ParseModelArgument(std::string_view m,
                                                                        bool allowAll,
                                                                        bool allowNone) {
  ModelArgument a;
  if (allowAll && m == "all") {
    a.what = ModelArgument::What::All;
    return {a, ""};
  }
  if (allowNone && m == "none") {
    a.what = ModelArgument::What::None;
    return {a, ""};
  }
  const std::string model(m);
  if (m.starts_with("poly:")) {
    a.model.kind = ModelKind::Polynomial;
    if (!ParseWhole(m.substr(5), a.model.order) || a.model.order < 1 ||
        a.model.order > kMaxCommandLineOrder)
      return {std::nullopt,
              "the order of poly:N must be a whole number from 1 to 9: \"" + model + "\""};
    return {a, ""};
  }
  if (m.starts_with("spline:")) {
    a.model.kind = ModelKind::Spline;
    if (!ParseWhole(m.substr(7), a.model.factor) || !(a.model.factor >= 0 && a.model.factor <= 1))
      return {std::nullopt,
              "the factor of spline:F must be a number from 0 to 1: \"" + model + "\""};
    return {a, ""};
  }
  for (const ModelKindRow& row : kKinds)
    if (row.fit && row.kind != ModelKind::Polynomial && m == row.name) {
      a.model.kind = row.kind;
      return {a, ""};
    }
  return {std::nullopt, "unknown model \"" + model + "\""};
}

ModelRow::ModelRow(const ModelChoice& choice)
    : choice_(choice), kind_(&kKinds[static_cast<int>(choice.kind)]) {}

std::string ModelRow::Name() const {
  switch (choice_.kind) {
    case ModelKind::Polynomial:
      return "poly:" + std::to_string(choice_.order);
    case ModelKind::Spline:
      return "spline:" + ShortestText(choice_.factor);
    default:
      return std::string(kind_->name);
  }
}

std::string ModelRow::Formula() const {
  return kind_->formula(choice_.order);
}

std::string ModelRow::Params(const ModelFit& fit) const {
  return kind_->params(fit, choice_.order);
}

std::optional<ModelFit> ModelRow::Fit(const TRovavAza& store) const {
  ModelFit fit;
  if (!kind_->fit(store, choice_.order, fit)) return std::nullopt;
  return fit;
}

std::optional<double> ModelRow::Value(const ModelFit& fit, double x) const {
  return kind_->value(fit, x);
}

void ModelRow::Sweep(const ModelFit& fit, const CurveSampling& samples,
                     const CurveSink& point) const {
  kind_->sweep(*kind_, fit, samples, point);
}

Coordinate ModelRow::U() const {
  return kind_->u;
}

Coordinate ModelRow::Z() const {
  return kind_->z;
}

int ModelRow::ParameterCount() const {
  if (IsSpline()) return 0;
  return int(kind_->rows(choice_.order).size());
}

std::string_view ModelRow::Space() const {
  return kind_->space;
}

std::string_view ModelRow::SolvedAs() const {
  return kind_->solvedAs;
}

std::vector<double> ModelRow::SolvedEstimates(const ModelFit& fit) const {
  return kind_->estimates(fit, choice_.order);
}

std::vector<std::pair<std::string, int>> ModelRow::ReportParameters() const {
  return kind_->rows(choice_.order);
}

std::string_view ModelRow::DerivedName() const {
  return kind_->derivedName;
}

std::string_view ModelRow::DerivedFrom() const {
  return kind_->derivedFrom;
}

RegressionInput ModelRow::StatisticsInput(const ModelFit& fit, const TRovavAza& store) const {
  RegressionInput in;
  const std::size_t n = std::size_t(store.NumPoints());
  in.x = store.PointTable().Column(1).first(n);
  in.y = store.PointTable().Column(2).first(n);
  in.u = kind_->u;
  in.z = kind_->z;
  kind_->input(fit, store, choice_.order, in);
  return in;
}

ModelFit FitOrThrow(const ModelRow& row, const TRovavAza& store) {
  std::optional<ModelFit> fit = row.Fit(store);
  if (!fit) throw std::runtime_error(std::string(kPolynomialNotConverged));
  return *std::move(fit);
}

std::vector<ModelChoice> ComparedModels(int maxOrder, double splineFactor) {
  std::vector<ModelChoice> models = {{ModelKind::Lin}, {ModelKind::Parabolic}};
  for (int order = 1; order <= maxOrder; ++order) models.push_back({ModelKind::Polynomial, order});
  for (ModelKind m : {ModelKind::Reciproc, ModelKind::Log, ModelKind::RecipLog, ModelKind::Expon})
    models.push_back({m});
  models.push_back({ModelKind::Spline, 0, splineFactor});
  return models;
}

NumLabTextSettings FitQualityTextSettings() {
  NumLabTextSettings s;
  s.DisplayType = dtFixP;
  s.Precision = 4;
  s.Comma = false;
  s.ForcePlusSign = false;
  s.OverflowIndicator = "*********";
  s.StateText = "undefined";
  s.DTFormat = "mmm-dd, yyyy";
  return s;
}

std::string FitQualityText(double fitQual) {
  return NumLabValueText(fitQual, FitQualityTextSettings());
}
