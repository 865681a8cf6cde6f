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

// The result the window copies: the model, its formula and every parameter as the shortest text
// that reads back to the same double, the goodness of fit and the number of points, then the
// report (ReportText). As plain text, and as HTML tables for office programs and mail.
std::string ResultText(const FitReport& report);
std::string ResultHtml(const FitReport& report);

// Every model, one line each, best AIC first, refused models last with their message.
std::string ComparisonText(const std::vector<ModelComparison>& rows);
std::string ComparisonJson(const std::vector<ModelComparison>& rows, int n);
