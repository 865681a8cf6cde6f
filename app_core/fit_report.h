#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app_core/fit_analysis.h"
#include "app_core/model_comparison.h"

// The texts of `ravelon --fit … --stats / --band / --residuals / --json`, built from the
// analysis alone.

// The report after the fit's own lines: the parameters with their errors and intervals, the
// fit's summary, the covariance and correlation. For the spline its parameter, tr A, σ̂², GCV.
std::string ReportText(const FitReport& report);

// x, y and the confidence and prediction bands, tab-separated, one sample a line; "NA" where a
// bound does not exist. `xyAsShown`: x and y as the spline's curve lines print them.
std::string BandText(const std::vector<SampledBand>& curve, bool xyAsShown);

// x, y, fitted, residual, leverage, tab-separated, one point a line; "NA" where one does not
// exist.
std::string ResidualText(const std::vector<ResidualRow>& rows);

// One JSON object: the fit's lines, the report, and the band and residuals where given.
std::string ReportJson(const FitReport& report, const std::vector<SampledBand>* band,
                       const std::vector<ResidualRow>* residuals);

// Every model, one line each, best AIC first, refused models last with their message.
std::string ComparisonText(const std::vector<ModelComparison>& rows);
std::string ComparisonJson(const std::vector<ModelComparison>& rows, int n);
