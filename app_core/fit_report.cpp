#include "app_core/fit_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "format/format_fixed_width.h"
#include "format/json_writer.h"
#include "format/shortest_text.h"

namespace {

// Where a value does not exist.
constexpr const char* kNone = "\xE2\x80\x93";  // –

std::string Text(const std::optional<double>& v) {
  return v ? ShortestText(*v) : kNone;
}

std::string Percent(double level) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g%%", level * 100);
  return text;
}

// Rows of cells in columns, each as wide as its widest cell, two blanks apart.
std::string Table(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  const auto width = [](const std::string& s) {
    // Columns count characters, not the bytes of UTF-8.
    return std::size_t(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
  };
  for (const auto& row : rows)
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (widths.size() <= i) widths.push_back(0);
      widths[i] = std::max(widths[i], width(row[i]));
    }
  std::string out;
  for (const auto& row : rows) {
    std::string line = "  ";
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - width(row[i]) + 2, ' ');
    }
    out += line + "\n";
  }
  return out;
}

std::string MatrixText(const std::vector<std::string>& names,
                       const std::vector<std::vector<std::optional<double>>>& m) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> head{""};
  head.insert(head.end(), names.begin(), names.end());
  rows.push_back(head);
  for (std::size_t i = 0; i < m.size(); ++i) {
    std::vector<std::string> row{names[i]};
    for (const auto& v : m[i]) row.push_back(Text(v));
    rows.push_back(row);
  }
  return Table(rows);
}

std::string Combination(const std::vector<std::string>& names, const std::vector<double>& v) {
  std::string text;
  for (std::size_t j = 0; j < v.size() && j < names.size(); ++j) {
    if (std::fabs(v[j]) < 1e-12) continue;
    text += text.empty() ? (v[j] < 0 ? "-" : "") : (v[j] < 0 ? " - " : " + ");
    text += ShortestText(std::fabs(v[j])) + "*" + names[j];
  }
  return text;
}

// The solved parameters' names (without the derived ones), in the report's order.
std::vector<std::string> SolvedNames(const FitReport& r) {
  std::vector<std::string> names;
  for (const ReportParameter& p : r.parameters)
    if (p.derivedFrom.empty()) names.push_back(p.name);
  return names;
}

std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

std::string ReportText(const FitReport& r) {
  std::ostringstream out;
  out << '\n';
  if (r.spline) {
    out << "Smoothing spline, factor " << ShortestText(r.factor) << ":\n";
    std::vector<std::vector<std::string>> rows = {
        {"points", std::to_string(r.n)},
        {"knots",
         std::to_string(r.groups) +
             (r.mergedGroups ? " (" + std::to_string(r.mergedGroups) + " groups of equal x merged)"
                             : "")},
        {"smoothing parameter p", ShortestText(r.smoothingParameter)},
        {"effective degrees of freedom tr A", ShortestText(r.trace)},
        {"residual sum of squares", ShortestText(r.rss)},
        {"residual variance RSS/(n - tr A)", Text(r.sigma2)},
        {"residual standard deviation", Text(r.sigma)},
        {"GCV score n*RSS/(n - tr A)^2", ShortestText(r.gcv)},
        {"AIC", Text(r.aic)},
        {"BIC", Text(r.bic)},
    };
    out << Table(rows);
    out << "Bands: Bayesian (Wahba), at " << Percent(r.level)
        << " with the normal quantile; leverages: --residuals.\n";
    out << "AIC and BIC: -2 log L + 2(k + 1) and -2 log L + ln(n)(k + 1), Gaussian likelihood at "
           "RSS/n, k = tr A.\n";
    return out.str();
  }

  const std::string in = r.space.empty() ? "" : " in " + r.space;
  out << "Parameters" << in << ", " << Percent(r.level) << " confidence intervals";
  if (!r.solvedAs.empty()) out << " (solved as " << r.solvedAs << ")";
  out << ":\n";
  std::vector<std::vector<std::string>> params = {
      {"name", "estimate", "std. error", "t", "p", "low", "high"}};
  for (const ReportParameter& p : r.parameters) {
    if (!p.derivedFrom.empty()) {
      params.push_back({p.name + " = " + p.derivedFrom, ShortestText(p.estimate), kNone, kNone,
                        kNone, Text(p.low), Text(p.high)});
      continue;
    }
    params.push_back({p.name, ShortestText(p.estimate), Text(p.standardError), Text(p.t), Text(p.p),
                      Text(p.low), Text(p.high)});
  }
  out << Table(params);

  const std::vector<std::string> names = SolvedNames(r);
  if (!r.undetermined.empty()) {
    out << "The data do not determine " << r.undetermined.size()
        << (r.undetermined.size() == 1 ? " direction" : " directions")
        << " (their parameters have no error):\n";
    for (const auto& v : r.undetermined) out << "  " << Combination(names, v) << '\n';
  }

  out << "Fit" << in << ":\n";
  std::vector<std::vector<std::string>> fit = {
      {"points", std::to_string(r.n)},
      {"parameters", std::to_string(r.parameterCount)},
      {"residual degrees of freedom", std::to_string(r.dfResidual)},
      {"residual sum of squares", ShortestText(r.rss)},
      {"residual standard deviation", Text(r.sigma)},
      {"R²", Text(r.rSquared)},
      {"adjusted R²", Text(r.adjRSquared)},
      {"F", Text(r.fStatistic)},
      {"p of F", Text(r.fP)},
      {"AIC", Text(r.aic)},
      {"BIC", Text(r.bic)},
  };
  if (r.reportsCondition) {
    fit.push_back(
        {"condition number",
         Text(r.condition) + (r.solvedCentred ? " (powers of (x - c)/h)" : " (powers of x)")});
    fit.push_back(
        {"effective rank", std::to_string(r.rank) + " of " + std::to_string(r.parameterCount)});
  }
  out << Table(fit);
  out << "AIC and BIC: -2 log L + 2(k + 1) and -2 log L + ln(n)(k + 1), Gaussian likelihood at "
         "RSS/n, k parameters.\n";
  out << "Covariance:\n" << MatrixText(names, r.covariance);
  out << "Correlation:\n" << MatrixText(names, r.correlation);
  return out.str();
}

std::string ResultText(const FitReport& r) {
  std::string text = "Modell: " + r.model + "\n";
  if (!r.spline) {
    text += Trimmed(r.formula) + "\n";
    for (const ReportParameter& p : r.parameters)
      text += p.name + (p.derivedFrom.empty() ? "" : " = " + p.derivedFrom) + " = " +
              ShortestText(p.estimate) + "\n";
  }
  text += "Anpassungsgrad: " + r.fitQuality + "\n";
  text += "Punkte: " + std::to_string(r.n) + "\n";
  return text + ReportText(r);
}

namespace {

std::string Escaped(const std::string& s) {
  std::string out;
  for (const char c : s) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// One table; the first row as headings where `head`.
std::string HtmlTable(const std::vector<std::vector<std::string>>& rows, bool head) {
  std::string out = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const char* cell = head && i == 0 ? "th" : "td";
    out += "<tr>";
    for (const std::string& c : rows[i])
      out += std::string("<") + cell + ">" + Escaped(c) + "</" + cell + ">";
    out += "</tr>\n";
  }
  return out + "</table>\n";
}

}  // namespace

std::string ResultHtml(const FitReport& r) {
  std::string out = "<html><body>\n<p><b>" + Escaped(r.model) + "</b>";
  if (!r.spline) out += ": " + Escaped(Trimmed(r.formula));
  out += "</p>\n";
  if (!r.spline) {
    std::vector<std::vector<std::string>> params = {
        {"Parameter", "Schätzwert", "Std.-Fehler", "t", "p",
         "untere Grenze " + Percent(r.level), "obere Grenze " + Percent(r.level)}};
    for (const ReportParameter& p : r.parameters)
      params.push_back({p.name + (p.derivedFrom.empty() ? "" : " = " + p.derivedFrom),
                        ShortestText(p.estimate), Text(p.standardError), Text(p.t), Text(p.p),
                        Text(p.low), Text(p.high)});
    out += HtmlTable(params, true);
  }
  std::vector<std::vector<std::string>> fit = {{"Anpassungsgrad", r.fitQuality},
                                               {"Punkte", std::to_string(r.n)}};
  if (r.spline) {
    fit.push_back({"Glättungsfaktor", ShortestText(r.factor)});
    fit.push_back({"p", ShortestText(r.smoothingParameter)});
    fit.push_back({"tr A", ShortestText(r.trace)});
    fit.push_back({"GCV", ShortestText(r.gcv)});
    fit.push_back({"σ̂", Text(r.sigma)});
  } else {
    if (!r.space.empty()) fit.push_back({"gelöst in", r.space});
    fit.push_back({"Freiheitsgrade", std::to_string(r.dfResidual)});
    fit.push_back({"RSS", ShortestText(r.rss)});
    fit.push_back({"σ̂", Text(r.sigma)});
    fit.push_back({"R²", Text(r.rSquared)});
    fit.push_back({"korrigiertes R²", Text(r.adjRSquared)});
    fit.push_back({"F", Text(r.fStatistic)});
    fit.push_back({"p von F", Text(r.fP)});
  }
  fit.push_back({"AIC", Text(r.aic)});
  fit.push_back({"BIC", Text(r.bic)});
  out += HtmlTable(fit, false);
  return out + "</body></html>\n";
}

std::string BandText(const std::vector<SampledBand>& curve, bool xyAsShown) {
  std::string out;
  const auto na = [](const std::optional<double>& v) { return v ? ShortestText(*v) : "NA"; };
  for (const SampledBand& s : curve) {
    out += (xyAsShown ? FormatFixedWidth(1, 6, s.x) + '\t' + FormatFixedWidth(1, 6, s.y)
                      : ShortestText(s.x) + '\t' + ShortestText(s.y)) +
           '\t' + na(s.band.confidenceLow) + '\t' + na(s.band.confidenceHigh) + '\t' +
           na(s.band.predictionLow) + '\t' + na(s.band.predictionHigh) + '\n';
  }
  return out;
}

std::string ResidualText(const std::vector<ResidualRow>& rows) {
  std::string out;
  const auto na = [](const std::optional<double>& v) { return v ? ShortestText(*v) : "NA"; };
  for (const ResidualRow& r : rows)
    out += ShortestText(r.x) + '\t' + ShortestText(r.y) + '\t' + na(r.fitted) + '\t' +
           na(r.residual) + '\t' + na(r.leverage) + '\n';
  return out;
}

namespace {

void SplineJson(JsonWriter& j, const FitReport& r) {
  j.Open('{');
  j.Key("factor").Value(r.factor);
  j.Key("p").Value(r.smoothingParameter);
  j.Key("trace").Value(r.trace);
  j.Key("rss").Value(r.rss);
  j.Key("sigma2").Value(r.sigma2);
  j.Key("sigma").Value(r.sigma);
  j.Key("gcv").Value(r.gcv);
  j.Key("aic").Value(r.aic);
  j.Key("bic").Value(r.bic);
  j.Key("knots").Value(r.groups);
  j.Key("merged_groups").Value(r.mergedGroups);
  j.Close('}');
}

void ParameterJson(JsonWriter& j, const ReportParameter& p) {
  j.Open('{');
  j.Key("name").Value(p.name);
  j.Key("estimate").Value(p.estimate);
  j.Key("standard_error").Value(p.standardError);
  j.Key("t").Value(p.t);
  j.Key("p").Value(p.p);
  j.Key("low").Value(p.low);
  j.Key("high").Value(p.high);
  j.Key("derived_from");
  if (p.derivedFrom.empty())
    j.Null();
  else
    j.Value(p.derivedFrom);
  j.Close('}');
}

void FitSummaryJson(JsonWriter& j, const FitReport& r) {
  j.Open('{');
  j.Key("n").Value(r.n);
  j.Key("parameters").Value(r.parameterCount);
  j.Key("rank").Value(r.rank);
  j.Key("df_residual").Value(r.dfResidual);
  j.Key("rss").Value(r.rss);
  j.Key("sigma").Value(r.sigma);
  j.Key("r_squared").Value(r.rSquared);
  j.Key("adj_r_squared").Value(r.adjRSquared);
  j.Key("f").Value(r.fStatistic);
  j.Key("f_p").Value(r.fP);
  j.Key("aic").Value(r.aic);
  j.Key("bic").Value(r.bic);
  j.Key("condition").Value(r.condition);
  j.Key("solved_centred").Value(r.solvedCentred);
  j.Close('}');
}

template <class T>
void MatrixJson(JsonWriter& j, const std::vector<std::vector<T>>& m) {
  j.Open('[');
  for (const auto& row : m) {
    j.Open('[');
    for (const auto& v : row) j.Value(v);
    j.Close(']');
  }
  j.Close(']');
}

void BandSampleJson(JsonWriter& j, const SampledBand& s) {
  j.Open('{');
  j.Key("x").Value(s.x);
  j.Key("y").Value(s.y);
  j.Key("confidence_low").Value(s.band.confidenceLow);
  j.Key("confidence_high").Value(s.band.confidenceHigh);
  j.Key("prediction_low").Value(s.band.predictionLow);
  j.Key("prediction_high").Value(s.band.predictionHigh);
  j.Close('}');
}

void ResidualJson(JsonWriter& j, const ResidualRow& row) {
  j.Open('{');
  j.Key("x").Value(row.x);
  j.Key("y").Value(row.y);
  j.Key("fitted").Value(row.fitted);
  j.Key("residual").Value(row.residual);
  j.Key("leverage").Value(row.leverage);
  j.Close('}');
}

void ComparisonRowJson(JsonWriter& j, const ModelComparison& c) {
  j.Open('{');
  j.Key("model").Value(c.model);
  if (c.error.empty()) {
    j.Key("fit_quality_text").Value(c.fitQuality);
    j.Key("parameters").Value(c.parameters);
    j.Key("rss").Value(c.rss);
    j.Key("aic").Value(c.aic);
    j.Key("error").Null();
  } else {
    j.Key("fit_quality_text").Null();
    j.Key("parameters").Null();
    j.Key("rss").Null();
    j.Key("aic").Null();
    j.Key("error").Value(c.error);
  }
  j.Close('}');
}

}  // namespace

std::string ReportJson(const FitReport& r, const std::vector<SampledBand>* band,
                       const std::vector<ResidualRow>* residuals) {
  JsonWriter j;
  j.Open('{');
  j.Key("model").Value(r.model);
  if (!r.spline) {
    j.Key("formula").Value(r.formula);
    j.Key("parameters_text").Value(Trimmed(r.params));
  }
  j.Key("fit_quality_text").Value(r.fitQuality);
  j.Key("level").Value(r.level);
  j.Key("n").Value(r.n);
  if (r.spline) {
    j.Key("spline");
    SplineJson(j, r);
  } else {
    j.Key("space").Value(r.space.empty() ? std::string("y") : r.space);
    j.Key("solved_as").Value(r.solvedAs);
    j.Key("parameters").Open('[');
    for (const ReportParameter& p : r.parameters) ParameterJson(j, p);
    j.Close(']');
    j.Key("fit");
    FitSummaryJson(j, r);
    j.Key("covariance");
    MatrixJson(j, r.covariance);
    j.Key("correlation");
    MatrixJson(j, r.correlation);
    j.Key("undetermined");
    MatrixJson(j, r.undetermined);
  }
  if (band) {
    j.Key("band").Open('[');
    for (const SampledBand& s : *band) BandSampleJson(j, s);
    j.Close(']');
  }
  if (residuals) {
    j.Key("residuals").Open('[');
    for (const ResidualRow& row : *residuals) ResidualJson(j, row);
    j.Close(']');
  }
  j.Close('}');
  return j.Str() + "\n";
}

std::string ComparisonText(const std::vector<ModelComparison>& rows) {
  std::vector<std::vector<std::string>> table = {
      {"model", "Anpassungsgrad", "parameters", "RSS", "AIC"}};
  std::string refused;
  for (const ModelComparison& c : rows) {
    if (!c.error.empty()) {
      table.push_back({c.model, kNone, kNone, kNone, kNone, c.error});
      continue;
    }
    table.push_back({c.model, c.fitQuality, ShortestText(c.parameters), ShortestText(c.rss),
                     c.aic ? ShortestText(*c.aic) : "-inf"});
  }
  std::string text = Table(table);
  // The table's indent is for the report; here the lines start at the margin.
  std::string out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) out += Trimmed(line.substr(2)) + "\n";
  return out;
}

std::string ComparisonJson(const std::vector<ModelComparison>& rows, int n) {
  JsonWriter j;
  j.Open('{');
  j.Key("n").Value(n);
  j.Key("models").Open('[');
  for (const ModelComparison& c : rows) ComparisonRowJson(j, c);
  j.Close(']');
  j.Close('}');
  return j.Str() + "\n";
}
