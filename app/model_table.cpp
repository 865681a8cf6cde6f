#include "app/model_table.h"

#include <cmath>
#include <iterator>

#include "fit/float_check.h"
#include "format/format_fixed_width.h"

namespace {

using LD = long double;

std::string F6(double v) {
  return FormatFixedWidth(1, 6, v);
}
std::string F3(double v) {
  return FormatFixedWidth(1, 3, v);
}

// The fits with two parameters, k (or k0) and d (or k1).
template <void (TRovavAza::*Fit)(double&, double&, double&) const>
ModelFit TwoParameterFit(const TRovavAza& store) {
  ModelFit f;
  (store.*Fit)(f.P[0], f.P[1], f.FitQual);
  return f;
}

// The reciprocal models test their denominator as a double and take y from that double.
std::optional<double> Reciprocal(LD q) {
  const double stored = StoredDouble(q);
  if (stored == 0) return std::nullopt;
  return StoredDouble(1 / LD(stored));
}

constexpr ModelRow kRows[] = {
    {FitModel::Lin, "lin", TwoParameterFit<&TRovavAza::CalcLinFit>,
     [](const ModelFit& f, double x) -> std::optional<double> {
       return StoredDouble(LD(x) * f.P[0] + f.P[1]);
     },
     "y = k*x + d",
     [](const ModelFit& f) { return "k = " + F6(f.P[0]) + "    d = " + F3(f.P[1]); }},
    {FitModel::Parabolic, "parabolic",
     [](const TRovavAza& s) {
       ModelFit f;
       s.CalcParabolFit(f.P[0], f.P[1], f.P[2], f.FitQual);
       return f;
     },
     [](const ModelFit& f, double x) -> std::optional<double> {
       return StoredDouble(LD(x) * x * f.P[2] + (LD(x) * f.P[1] + f.P[0]));
     },
     "y = k0 + k1*x + k2*sqr(x)",
     [](const ModelFit& f) {
       return "k0 = " + F6(f.P[0]) + "    k1 = " + F3(f.P[1]) + "    k2 = " + F3(f.P[2]);
     }},
    {FitModel::Reciproc, "reciproc", TwoParameterFit<&TRovavAza::CalcReciLinFit>,
     [](const ModelFit& f, double x) { return Reciprocal(LD(x) * f.P[1] + f.P[0]); },
     "y = 1/(k0 + k1*x)",
     [](const ModelFit& f) { return "k0 = " + F6(f.P[0]) + "     k1 = " + F3(f.P[1]); }},
    {FitModel::Log, "log", TwoParameterFit<&TRovavAza::CalcLogFit>,
     [](const ModelFit& f, double x) -> std::optional<double> {
       if (!(x > 0)) return std::nullopt;
       return StoredDouble(std::log(LD(x)) * f.P[1] + f.P[0]);
     },
     "y = k0 + k1*ln(x)",
     [](const ModelFit& f) { return "k0 = " + F6(f.P[0]) + "    k1 = " + F3(f.P[1]); }},
    {FitModel::RecipLog, "reciplog", TwoParameterFit<&TRovavAza::CalcReciLogFit>,
     [](const ModelFit& f, double x) -> std::optional<double> {
       if (!(x > 0)) return std::nullopt;
       return Reciprocal(std::log(LD(x)) * f.P[1] + f.P[0]);
     },
     "y = 1/(k0 + k1*ln(x))",
     [](const ModelFit& f) { return "k0 = " + F3(f.P[0]) + "     k1 = " + F3(f.P[1]); }},
    {FitModel::Expon, "expon", TwoParameterFit<&TRovavAza::CalcExponentialFit>,
     [](const ModelFit& f, double x) -> std::optional<double> {
       return StoredDouble(std::exp(LD(x) * f.P[1]) * f.P[0]);
     },
     "y = k0*e^(k1*x)",
     [](const ModelFit& f) { return "k0 = " + F3(f.P[0]) + "    k1 = " + F3(f.P[1]); }},
};

static_assert(
    [] {
      for (int i = 0; i < int(std::size(kRows)); ++i)
        if (int(kRows[i].Model) != i) return false;
      return true;
    }(),
    "the rows stand in the order of FitModel");

}  // namespace

const ModelRow& ModelRowOf(FitModel model) {
  return kRows[static_cast<int>(model)];
}

std::span<const ModelRow> ModelRows() {
  return kRows;
}

std::string PolynomialFormula(int order) {
  std::string formula = "y = k0+k1*x";
  for (int j = 2; j <= order; ++j)
    formula += "+k" + std::to_string(j) + "*x^" + std::to_string(j) + " ";
  return formula;
}

std::string PolynomialParams(std::span<const double> c, int order) {
  std::string params;
  for (int j = 0; j <= order && j < int(c.size()); ++j)
    params += "k" + std::to_string(j) + "=" + F6(c[j]) + "  ";
  return params;
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
