#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "fit/rovav_aza.h"
#include "scale/num_lab_text.h"

// The six two- and three-parameter models, one row each: the store's fit, the curve's y(x) and
// the texts the window's labels show. The window's commands and the command-line fit both read
// these rows, so a model lives in one place.
//
//   const ModelRow& row = ModelRowOf(FitModel::Lin);
//   const ModelFit fit = row.Fit(store);          // throws the fit's error
//   label = row.Formula; params = row.Params(fit);
enum class FitModel { Lin, Parabolic, Reciproc, Log, RecipLog, Expon };

// The outputs of a fit in the order the fit fills them (k, d for "Lin"; k0, k1, k2 for
// "Parabolic"; k0, k1 for the others).
struct ModelFit {
  std::array<double, 3> P{};
  double FitQual = 0;
};

struct ModelRow {
  FitModel Model;
  std::string_view CommandLineName;
  ModelFit (*Fit)(const TRovavAza& store);
  // y at x, rounded to a double where stored; nullopt where the model has no value at x.
  std::optional<double> (*Value)(const ModelFit& fit, double x);
  std::string_view Formula;
  std::string (*Params)(const ModelFit& fit);
};

const ModelRow& ModelRowOf(FitModel model);
std::span<const ModelRow> ModelRows();

// The polynomial command's texts for order p and its coefficients c0..cp.
std::string PolynomialFormula(int order);
std::string PolynomialParams(std::span<const double> c, int order);

// How the goodness-of-fit label writes its value, and the text it shows for a value.
NumLabTextSettings FitQualityTextSettings();
std::string FitQualityText(double fitQual);
