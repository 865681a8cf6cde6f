// The fit's report from the command line: statistics, bands, residuals, JSON, every model
// compared, repeated x, and the options' errors through the real program.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app_core/command_line.h"
#include "app_core/fit_report.h"
#include "fit/tied_spline.h"
#include "format/shortest_text.h"
#include "tests/app/run_args.h"
#include "tests/app/work_dir.h"
#include "tests/support/least_squares.h"

namespace {

using LD = long double;

std::vector<std::vector<double>> Rows(const std::string& text) {
  std::vector<std::vector<double>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::vector<double> row;
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, '\t');)
      row.push_back(f == "NA" ? std::nan("") : std::stod(f));
    rows.push_back(row);
  }
  return rows;
}

QJsonObject Json(const std::string& text) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << text;
  return doc.object();
}

void WritePoints(const std::string& path, const std::vector<std::pair<double, double>>& points) {
  std::ofstream out(path);
  out.precision(17);
  for (const auto& [x, y] : points) out << x << ',' << y << '\n';
}

// Generated data with noise, for each model in its own coordinates.
std::vector<std::pair<double, double>> Generated(const std::function<double(double)>& y, double lo,
                                                 double hi, int n, double noise, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> at(lo, hi);
  std::normal_distribution<double> e(0, noise);
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < n; ++i) {
    const double x = at(rng);
    points.push_back({x, y(x) * (1 + e(rng))});
  }
  return points;
}

TEST(FitReport, BandsAgreeWithAnIndependentLeastSquares) {
  struct Case {
    std::string model;
    int order;
    std::function<LD(LD)> u, z, back;  // the solved coordinates and y from z
    std::function<double(double)> truth;
    double lo, hi;
  };
  const auto same = [](LD v) { return v; };
  const auto ln = [](LD v) { return std::log(v); };
  const auto rec = [](LD v) { return 1 / v; };
  const auto exp = [](LD v) { return std::exp(v); };
  const Case cases[] = {
      {"lin", 1, same, same, same, [](double x) { return 3 + 2 * x; }, -5, 20},
      {"parabolic", 2, same, same, same, [](double x) { return 1 + x - 0.1 * x * x; }, 0, 10},
      {"poly:3", 3, same, same, same, [](double x) { return 100 + std::pow(x - 2005, 3) / 50; },
       1990, 2020},
      {"poly:9", 9, same, same, same, [](double x) { return std::sin(x / 3) + 5; }, 1990, 2020},
      {"log", 1, ln, same, same, [](double x) { return 2 + std::log(x); }, 1, 100},
      {"reciproc", 1, same, rec, rec, [](double x) { return 1 / (2 + 0.5 * x); }, 0, 10},
      {"reciplog", 1, ln, rec, rec, [](double x) { return 1 / (1 + std::log(x)); }, 1, 50},
      {"expon", 1, same, ln, exp, [](double x) { return 2 * std::exp(0.3 * x); }, 0, 5},
  };
  TemporaryWorkDir dir;
  unsigned seed = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    const auto points = Generated(c.truth, c.lo, c.hi, 60, 0.02, seed++);
    WritePoints(dir.File("data.csv"), points);
    const Outcome r = RunArgs({"--fit", c.model, dir.File("data.csv"), "--band", "--level", "0.9"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<LD> u, z;
    for (const auto& [x, y] : points) u.push_back(c.u(x)), z.push_back(c.z(y));
    const test_support::LeastSquares<LD> ref(u, z, c.order);
    const LD q = boost::math::quantile(boost::math::complement(
        boost::math::students_t(double(points.size()) - c.order - 1), 0.05));
    // The band's table follows the fit's three lines and a blank line.
    const std::string table = r.out.substr(r.out.find("\n\n") + 2);
    const auto rows = Rows(table);
    ASSERT_GT(rows.size(), 150u);
    for (const auto& row : rows) {
      ASSERT_EQ(row.size(), 6u);
      const LD x = row[0], zh = ref.Fitted(c.u(x)), v = ref.Variance(c.u(x));
      const LD sigma = std::sqrt(ref.ResidualVariance());
      const LD conf[] = {c.back(zh - q * sigma * std::sqrt(v)),
                         c.back(zh + q * sigma * std::sqrt(v))};
      const LD pred[] = {c.back(zh - q * sigma * std::sqrt(1 + v)),
                         c.back(zh + q * sigma * std::sqrt(1 + v))};
      const LD width = std::fabs(pred[1] - pred[0]);
      const double got[] = {row[2], row[3], row[4], row[5]};
      const LD want[] = {std::min(conf[0], conf[1]), std::max(conf[0], conf[1]),
                         std::min(pred[0], pred[1]), std::max(pred[0], pred[1])};
      for (int k = 0; k < 4; ++k) EXPECT_NEAR(got[k], double(want[k]), 1e-9 * double(width)) << x;
      // The prediction band holds the confidence band and the curve.
      EXPECT_LT(row[4], row[2]);
      EXPECT_GT(row[5], row[3]);
      EXPECT_LE(row[2], row[1]);
      EXPECT_GE(row[3], row[1]);
    }
  }
}

// Enough points for the leverages to be formed on two threads: each as the independent least
// squares has it, in the points' order.
TEST(FitReport, ResidualsOfManyPointsAsTheIndependentLeastSquares) {
  TemporaryWorkDir dir;
  const auto points = Generated([](double x) { return 5 + std::sin(x / 3); }, 0, 30, 5000, 0.02, 7);
  WritePoints(dir.File("many.csv"), points);
  for (const auto& [model, order] : {std::pair{std::string("lin"), 1}, {"poly:3", 3}}) {
    SCOPED_TRACE(model);
    const Outcome r = RunArgs({"--fit", model, dir.File("many.csv"), "--residuals"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<LD> u, z;
    for (const auto& [x, y] : points) u.push_back(x), z.push_back(y);
    const test_support::LeastSquares<LD> ref(u, z, order);
    const auto rows = Rows(r.out.substr(r.out.find("\n\n") + 2));
    ASSERT_EQ(rows.size(), points.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      ASSERT_EQ(rows[i].size(), 5u);
      EXPECT_EQ(rows[i][0], points[i].first);
      EXPECT_NEAR(rows[i][3], double(z[i] - ref.Fitted(u[i])), 1e-9);
      EXPECT_NEAR(rows[i][4], double(ref.Variance(u[i])), 1e-9 * double(ref.Variance(u[i])));
    }
  }
}

TEST(FitReport, TheLineAtZeroHasTheInterceptsInterval) {
  TemporaryWorkDir dir;
  auto points = Generated([](double x) { return 4 - 0.5 * x; }, 0, 10, 40, 0.05, 7);
  // The chart's x axis then starts at 0, the curve's first sample.
  points.push_back({0, 4.1});
  WritePoints(dir.File("line.csv"), points);
  const Outcome r = RunArgs({"--fit", "lin", dir.File("line.csv"), "--json", "--band"});
  ASSERT_EQ(r.status, 0) << r.err;
  const QJsonObject j = Json(r.out);
  QJsonObject d;
  for (const QJsonValue p : j["parameters"].toArray())
    if (p["name"].toString() == "d") d = p.toObject();
  ASSERT_FALSE(d.isEmpty());
  bool found = false;
  for (const QJsonValue s : j["band"].toArray()) {
    if (s["x"].toDouble() != 0) continue;
    found = true;
    EXPECT_NEAR(s["confidence_low"].toDouble(), d["low"].toDouble(), 1e-12);
    EXPECT_NEAR(s["confidence_high"].toDouble(), d["high"].toDouble(), 1e-12);
  }
  EXPECT_TRUE(found);
}

TEST(FitReport, StatisticsTextAndJsonOfOneFit) {
  TemporaryWorkDir dir;
  std::ofstream(dir.File("line.csv")) << "x,y\n1,3.1\n2,4.9\n3,7.2\n4,8.8\n5,11.1\n";
  const Outcome text = RunArgs({"--fit", "lin", dir.File("line.csv"), "--stats"});
  ASSERT_EQ(text.status, 0) << text.err;
  // Today's three lines come first, unchanged.
  EXPECT_TRUE(text.out.starts_with("y = k*x + d\nk = 1.990000    d = 1.050\nAnpassungsgrad: "))
      << text.out;
  for (const char* part : {"std. error", "residual standard deviation", "adjusted R²", "AIC",
                           "Covariance:", "Correlation:"})
    EXPECT_NE(text.out.find(part), std::string::npos) << part;

  const Outcome json = RunArgs({"--fit", "lin", dir.File("line.csv"), "--json", "--residuals"});
  ASSERT_EQ(json.status, 0) << json.err;
  const QJsonObject j = Json(json.out);
  EXPECT_EQ(j["model"].toString(), "lin");
  EXPECT_EQ(j["fit"]["df_residual"].toInt(), 3);
  // Exactly the same numbers as in the text: shortest texts read back to the same double.
  const QJsonArray params = j["parameters"].toArray();
  EXPECT_EQ(params[0]["name"].toString(), "k");
  EXPECT_NEAR(params[0]["estimate"].toDouble(), 1.99, 1e-15);
  const std::string k = ShortestText(params[0]["standard_error"].toDouble());
  EXPECT_NE(text.out.find(k), std::string::npos) << k;
  // Residuals in file order; the leverages of a line sum to its two parameters.
  const QJsonArray res = j["residuals"].toArray();
  ASSERT_EQ(res.size(), 5);
  double leverage = 0;
  for (const QJsonValue row : res) leverage += row["leverage"].toDouble();
  EXPECT_NEAR(leverage, 2, 1e-12);
  EXPECT_EQ(res[2]["x"].toDouble(), 3);
  EXPECT_NEAR(res[2]["residual"].toDouble(), 7.2 - (1.99 * 3 + 1.05), 1e-12);

  // On a nearly singular design the parabola the fit shows is worse than the mean: F below 0,
  // whose p is 1 (the distribution has no value there).
  {
    std::ofstream bad(dir.File("near.csv"));
    bad << "678.43139171600342,678.43137254901967\n678.43136397793864,0.0010000000000019108\n";
    for (int i = 0; i < 8; ++i) bad << "-20,-20\n";
  }
  const Outcome near = RunArgs({"--fit", "parabolic", dir.File("near.csv"), "--json"});
  ASSERT_EQ(near.status, 0) << near.err;
  const QJsonObject fit = Json(near.out)[QStringLiteral("fit")].toObject();
  EXPECT_LT(fit[QStringLiteral("f")].toDouble(), 0);
  EXPECT_EQ(fit[QStringLiteral("f_p")].toDouble(), 1);

  // Two points for a line leave no degrees of freedom: what does not exist is null.
  std::ofstream(dir.File("two.csv")) << "1,3\n2,5\n";
  const Outcome none = RunArgs({"--fit", "lin", dir.File("two.csv"), "--json"});
  ASSERT_EQ(none.status, 0) << none.err;
  const QJsonObject n = Json(none.out);
  EXPECT_TRUE(n["parameters"][0]["p"].isNull());
  EXPECT_TRUE(n["parameters"][0]["standard_error"].isNull());
  EXPECT_TRUE(n["fit"]["sigma"].isNull());
  EXPECT_EQ(none.out.find("nan"), std::string::npos);
  EXPECT_EQ(none.out.find("inf"), std::string::npos);
}

TEST(FitReport, TransformedModelsSayWhereTheyWereSolved) {
  TemporaryWorkDir dir;
  WritePoints(dir.File("growth.csv"),
              Generated([](double x) { return 2 * std::exp(0.3 * x); }, 0.5, 5, 30, 0.01, 3));
  const Outcome r = RunArgs({"--fit", "expon", dir.File("growth.csv"), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const QJsonObject j = Json(r.out);
  EXPECT_EQ(j["space"].toString(), "ln y");
  const QJsonArray p = j["parameters"].toArray();
  ASSERT_EQ(p.size(), 3);
  EXPECT_EQ(p[0]["name"].toString(), "b0");
  EXPECT_EQ(p[2]["name"].toString(), "k0");
  // k0 = e^b0, its interval the transformed one.
  EXPECT_NEAR(p[2]["estimate"].toDouble(), std::exp(p[0]["estimate"].toDouble()), 1e-12);
  EXPECT_NEAR(p[2]["low"].toDouble(), std::exp(p[0]["low"].toDouble()), 1e-12);
  EXPECT_NEAR(p[2]["high"].toDouble(), std::exp(p[0]["high"].toDouble()), 1e-12);
  EXPECT_TRUE(p[2]["standard_error"].isNull());
  const Outcome text = RunArgs({"--fit", "reciproc", dir.File("growth.csv"), "--stats"});
  EXPECT_NE(text.out.find("in 1/y"), std::string::npos) << text.out;
}

TEST(FitReport, RankDeficientPolynomialNamesWhatIsUndetermined) {
  TemporaryWorkDir dir;
  // Three distinct x for four parameters.
  std::ofstream(dir.File("three.csv")) << "1,2\n1,2.1\n2,3\n2,3.2\n3,5\n3,4.9\n";
  const Outcome r = RunArgs({"--fit", "poly:3", dir.File("three.csv"), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const QJsonObject j = Json(r.out);
  EXPECT_EQ(j["fit"]["rank"].toInt(), 3);
  ASSERT_EQ(j["undetermined"].toArray().size(), 1);
  // The direction is one no polynomial through x = 1, 2, 3 can see: (x−1)(x−2)(x−3).
  const QJsonArray v = j["undetermined"][0].toArray();
  for (double x : {1.0, 2.0, 3.0}) {
    double sum = 0;
    for (int k = 0; k < 4; ++k) sum += v[k].toDouble() * std::pow(x, k);
    EXPECT_NEAR(sum, 0, 1e-9) << x;
  }
  for (const QJsonValue p : j["parameters"].toArray()) EXPECT_TRUE(p["standard_error"].isNull());
  const Outcome text = RunArgs({"--fit", "poly:3", dir.File("three.csv"), "--stats"});
  EXPECT_NE(text.out.find("do not determine 1 direction"), std::string::npos) << text.out;

  // A line through one x moves freely along k·x0 + d = const: in the order k, d.
  std::ofstream(dir.File("one.csv")) << "2,1\n2,3\n2,4\n";
  const Outcome line = RunArgs({"--fit", "lin", dir.File("one.csv"), "--json"});
  ASSERT_EQ(line.status, 0) << line.err;
  const QJsonArray u = Json(line.out)["undetermined"][0].toArray();
  EXPECT_NEAR(2 * u[0].toDouble() + u[1].toDouble(), 0, 1e-15);
  EXPECT_NEAR(std::hypot(u[0].toDouble(), u[1].toDouble()), 1, 1e-15);
  EXPECT_NEAR(Json(line.out)[QStringLiteral("fit")].toObject()[QStringLiteral("rss")].toDouble(),
              14.0 / 3, 1e-14);
}

TEST(FitReport, EveryModelComparedOnTheResidualsInY) {
  TemporaryWorkDir dir;
  const auto points = Generated([](double x) { return 1 + 0.5 * x * x; }, 0.5, 6, 80, 0.01, 11);
  WritePoints(dir.File("square.csv"), points);
  std::ofstream(dir.File("negative.csv")) << "-1,3\n2,5\n3,8\n4,8.5\n";
  const Outcome r = RunArgs({"--fit", "all", dir.File("square.csv"), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const QJsonArray models = Json(r.out)["models"].toArray();
  // lin, parabolic, poly:1..9, reciproc, log, reciplog, expon, spline.
  EXPECT_EQ(models.size(), 16);
  double last = -INFINITY;
  for (const QJsonValue m : models) {
    ASSERT_TRUE(m["error"].isNull()) << m["model"].toString().toStdString();
    EXPECT_GE(m["aic"].toDouble(), last);
    last = m["aic"].toDouble();
  }
  // The AIC of the line from its residuals in y, computed here.
  for (const QJsonValue m : models) {
    if (m["model"].toString() != "lin") continue;
    LD sx = 0, sy = 0, sxx = 0, sxy = 0;
    const LD n = LD(points.size());
    for (const auto& [x, y] : points) sx += x, sy += y, sxx += LD(x) * x, sxy += LD(x) * y;
    const LD k = (n * sxy - sx * sy) / (n * sxx - sx * sx), d = (sy - k * sx) / n;
    LD rss = 0;
    for (const auto& [x, y] : points) rss += (y - (k * x + d)) * (y - (k * x + d));
    const LD aic = n * (std::log(2 * M_PIl) + std::log(rss / n) + 1) + 2 * 3;
    EXPECT_NEAR(m["rss"].toDouble(), double(rss), 1e-9 * double(rss));
    EXPECT_NEAR(m["aic"].toDouble(), double(aic), 1e-9);
  }
  // Models that refuse the data come last, with their message.
  const Outcome refused = RunArgs({"--fit", "all", dir.File("negative.csv")});
  ASSERT_EQ(refused.status, 0) << refused.err;
  const std::string out = refused.out;
  const std::size_t log = out.find("CalcLogFit: x values must not be negative or zero");
  ASSERT_NE(log, std::string::npos) << out;
  EXPECT_GT(log, out.find("\nlin"));
  EXPECT_GT(log, out.find("\nparabolic"));
  // Four points leave room for polynomials up to order 2 only.
  EXPECT_EQ(out.find("poly:3"), std::string::npos);
}

TEST(FitReport, RepeatedXNamedAndMerged) {
  TemporaryWorkDir dir;
  std::ofstream(dir.File("ties.csv")) << "x,y\n1,1\n2,3\n3,2\n2,3.5\n4,5\n5,4\n6,7\n2,2.9\n";
  // The text's refusal stays, followed by the first repeated x and its lines.
  const Outcome refused = RunArgs({"--fit", "spline:0.5", dir.File("ties.csv")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(refused.out.empty());
  EXPECT_TRUE(refused.err.starts_with(
      "PenalizedCubicSpline: two or more x-values are identical: x = 2 on lines 3, 5, 9"))
      << refused.err;

  const Outcome merged = RunArgs({"--fit", "spline:0.5", dir.File("ties.csv"), "--ties", "merge"});
  ASSERT_EQ(merged.status, 0) << merged.err;
  EXPECT_NE(merged.err.find("1 x value repeated, 8 points on 6 knots"), std::string::npos)
      << merged.err;
  // The curve is the merged spline's, computed directly.
  const std::vector<double> xs{1, 2, 3, 2, 4, 5, 6, 2}, ys{1, 3, 2, 3.5, 5, 4, 7, 2.9};
  const MergedSmoothingSpline spline(xs, ys, 0.5);
  const auto rows = Rows(merged.out.substr(merged.out.find('\n') + 1));
  ASSERT_GT(rows.size(), 50u);
  for (const auto& row : rows) {
    bool valid = false;
    const double y = spline.Value(row[0], valid);
    EXPECT_TRUE(valid);
    EXPECT_NEAR(row[1], y, 5e-7) << row[0];  // printed with six decimals
  }
  const Outcome stats = RunArgs(
      {"--fit", "spline:0.5", dir.File("ties.csv"), "--ties=merge", "--json", "--residuals"});
  ASSERT_EQ(stats.status, 0) << stats.err;
  const QJsonObject j = Json(stats.out);
  EXPECT_EQ(j["spline"]["merged_groups"].toInt(), 1);
  EXPECT_EQ(j["n"].toInt(), 8);
  // The three points at x = 2 share their knot's leverage.
  const QJsonArray res = j["residuals"].toArray();
  double trace = 0;
  for (const QJsonValue row : res) trace += row["leverage"].toDouble();
  EXPECT_NEAR(trace, j["spline"]["trace"].toDouble(), 1e-12);
  EXPECT_EQ(res[1]["leverage"].toDouble(), res[3]["leverage"].toDouble());
}

TEST(FitReport, SplineBandAndStatistics) {
  TemporaryWorkDir dir;
  WritePoints(dir.File("wave.csv"),
              Generated([](double x) { return 5 + std::sin(x); }, 0, 10, 120, 0.02, 5));
  const Outcome r = RunArgs({"--fit", "spline:0.3", dir.File("wave.csv"), "--band", "--stats"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("effective degrees of freedom tr A"), std::string::npos);
  const std::string curve =
      r.out.substr(r.out.find('\n') + 1, r.out.find("\n\n") - r.out.find('\n'));
  const auto rows = Rows(curve);
  ASSERT_GT(rows.size(), 100u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 6u);
    EXPECT_GT(row[3] - row[2], 1e-4);
    EXPECT_LT(row[2], row[1] + 5e-7);
    EXPECT_GT(row[3], row[1] - 5e-7);
    EXPECT_LT(row[4], row[2]);
    EXPECT_GT(row[5], row[3]);
  }
}

// The options and their errors: exit status, message, nothing on standard output. Decided in
// this process; the rows marked run through the real program too, whose exit status is main's.
TEST(FitReport, OptionsAndErrors) {
  TemporaryWorkDir dir;
  std::ofstream(dir.File("d.csv")) << "t,u,v\n1,2,5\n2,3.9,4\n3,6.1,3.5\n4,8,2\n5,9.9,1.1\n";
  std::ofstream(dir.File("two.csv")) << "1,2\n2,3\n";
  std::ofstream(dir.File("ties.csv")) << "1,2\n2,3\n3,5\n2,4\n5,1\n";
  const std::string d = dir.File("d.csv"), two = dir.File("two.csv"), ties = dir.File("ties.csv");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;  // part of standard error; empty: success
    bool program = false;
  };
  const Case cases[] = {
      {{"--fit", "lin", d, "--stats", "--band", "--residuals", "--level", "0.99", "--columns",
        "u,v"},
       0,
       "",
       true},
      {{"--fit", "poly:2", d, "--json", "--band", "--residuals"}, 0, ""},
      {{"--fit", "all", d, "--columns", "t,v", "--json"}, 0, ""},
      {{"--fit", "lin", d, "--stats", "--stats"}, 2, "--stats given twice"},
      {{"--fit", "lin", d, "--level", "0.9", "--level", "0.8", "--stats"},
       2,
       "--level given twice"},
      {{"--fit", "lin", d, "--statistics"}, 2, "unknown option \"--statistics\"", true},
      {{"--fit", "lin", d, "--stats", "--level", "1"}, 2, "--level takes a confidence level"},
      {{"--fit", "lin", d, "--stats", "--level", "0"}, 2, "--level takes a confidence level"},
      {{"--fit", "lin", d, "--band", "--level", "nan"}, 2, "--level takes a confidence level"},
      {{"--fit", "lin", d, "--level", "0.9"}, 2, "--level goes with --stats, --band or --json"},
      {{"--fit", "all", d, "--band"}, 2, "go with one model, not all"},
      {{"--fit", "lin", d, "--ties", "merge"}, 2, "--ties merge goes with spline:F or all"},
      {{"--fit", "spline:0.5", d, "--ties", "split"}, 2, "--ties takes \"merge\""},
      {{"--plot", dir.File("p.png"), "none", d, "--band"}, 2, "--band needs a model"},
      {{"--plot", dir.File("p.png"), "lin", d, "--stats"}, 2, "--stats goes with --fit"},
      {{d, "--band"}, 2, "--band goes with --fit or --plot"},
      {{"--fit", "lin", two, "--band"},
       1,
       "--band needs more points than the model has parameters"},
      {{"--fit", "spline:0", d, "--stats"}, 1, "spline:0 interpolates the points"},
      {{"--fit", "poly:4", d, "--stats"}, 0, ""},
      {{"--plot", dir.File("p.png"), "spline:0.5", ties},
       1,
       "identical: x = 2 on lines 2, 4",
       true},
      {{"--plot", dir.File("p.png"), "spline:0.5", ties, "--ties", "merge", "--band"}, 0, ""},
      {{"--fit", "poly:4", d, "--band"}, 1, "--band needs more points"},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += a + " ";
    std::vector<Outcome> outcomes{RunArgs(c.args)};
    if (c.program) {
      QStringList args;
      for (const std::string& a : c.args) args << QString::fromStdString(a);
      QProcess p;
      p.start(QStringLiteral(RAVELON_EXECUTABLE), args);
      ASSERT_TRUE(p.waitForFinished(20000)) << shown;
      outcomes.push_back({p.exitCode(), p.readAllStandardOutput().toStdString(),
                          p.readAllStandardError().toStdString()});
    }
    for (const Outcome& o : outcomes) {
      EXPECT_EQ(o.status, c.status) << shown << o.err;
      if (c.status == 0) {
        // A picture goes to its file.
        EXPECT_EQ(o.out.empty(), c.args[0] == "--plot") << shown;
        continue;
      }
      EXPECT_TRUE(o.out.empty()) << shown << o.out;
      EXPECT_NE(o.err.find(c.message), std::string::npos) << shown << o.err;
    }
  }
}

TEST(FitReport, PictureWithBand) {
  TemporaryWorkDir dir;
  WritePoints(dir.File("wave.csv"),
              Generated([](double x) { return 5 + std::sin(x); }, 0, 10, 80, 0.05, 9));
  for (const char* model : {"poly:5", "spline:0.4"}) {
    for (const char* picture : {"plain.png", "band.png"}) {
      QStringList args{QStringLiteral("--plot"),   QString::fromStdString(dir.File(picture)),
                       QString::fromLatin1(model), QString::fromStdString(dir.File("wave.csv")),
                       QStringLiteral("--scale"),  QStringLiteral("1")};
      if (std::string(picture) == "band.png") args << QStringLiteral("--band");
      QProcess p;
      p.start(QStringLiteral(RAVELON_EXECUTABLE), args);
      ASSERT_TRUE(p.waitForFinished(20000));
      ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    const QImage band(QString::fromStdString(dir.File("band.png")));
    const QImage none(QString::fromStdString(dir.File("plain.png")));
    ASSERT_EQ(band.size(), none.size());
    int fill = 0, lines = 0;
    for (int y = 0; y < band.height(); ++y)
      for (int x = 0; x < band.width(); ++x) {
        const QRgb c = band.pixel(x, y);
        if (c == qRgb(204, 236, 204)) ++fill;
        if (c == qRgb(96, 168, 96)) ++lines;
      }
    EXPECT_GT(fill, 200) << model;
    EXPECT_GT(lines, 400) << model;  // two lines across the chart
    EXPECT_EQ(none.pixelColor(0, 0), band.pixelColor(0, 0));
  }
}

}  // namespace
