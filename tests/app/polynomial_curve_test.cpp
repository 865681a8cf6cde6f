// The polynomial's curve is the fitted polynomial wherever the data lie, and the goodness of fit
// beside it is that polynomial's.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "platform/locale.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "tests/app/work_dir.h"
#include "tests/support/least_squares.h"

namespace {

TEST(PolynomialCurve, DrawnSamplesFollowTheFitAwayFromZero) {
  struct Set {
    const char* name;
    double low, range;
  };
  const Set sets[] = {{"years 1990..2020", 1990, 30}, {"0..100", 0, 100}, {"1000..1010", 1000, 10}};
  platform::LoadLocale("C");
  std::vector<std::string> errors;
  SetErrorBoxHook([&](const std::string& t) { errors.push_back(t); });
  for (const Set& set : sets) {
    TemporaryWorkDir dir;
    std::mt19937_64 gen(11);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<std::pair<double, double>> points;
    {
      std::ofstream file(dir.File("p.csv"));
      file.precision(17);
      for (int i = 0; i < 200; ++i) {
        const double s = (i + 0.5 * unit(gen)) / 200;
        const double x = set.low + set.range * s;
        const double y = 3 + std::sin(4 * s) + 0.5 * s * s + 0.01 * (unit(gen) - 0.5);
        points.push_back({x, y});
        file << x << ',' << y << '\n';
      }
    }
    double yLow = points[0].second, yHigh = yLow;
    for (const auto& [x, y] : points) {
      yLow = std::min(yLow, y);
      yHigh = std::max(yHigh, y);
    }
    auto frm = std::make_unique<TFrmMain>();
    frm->show();
    frm->OpenDataFile(dir.File("p.csv"));
    for (int p = 1; p <= 9; ++p) {
      SCOPED_TRACE(std::string(set.name) + ", order " + std::to_string(p));
      frm->SEPolyOrder->SetValue(p);
      frm->BButPolynomial->click();
      const auto ref = test_support::PolynomialReference(points, p);
      // Where the fit was solved in powers of x, its curve is that of the coefficients shown, in
      // extended precision; where it was solved in the centred form, the least-squares
      // polynomial itself, computed independently.
      std::array<double, 11> c{};
      double quality = 0;
      bool deficient = false;
      PolynomialCurve form;
      ASSERT_TRUE(frm->Stats1.CalcPolynomialFit(std::uint8_t(p), c, quality, deficient, form));
      const auto expected = [&](double x) -> long double {
        if (form.Centred()) return ref.Fitted(x);
        long double sum = 0, power = 1;
        for (int j = 0; j <= p; ++j, power *= x) sum += c[std::size_t(j)] * power;
        return sum;
      };
      const int marks = int(points.size());
      ASSERT_EQ(frm->VArori1.ItemCount(), marks + 201);
      double worst = 0;
      for (int i = marks; i < frm->VArori1.ItemCount(); ++i) {
        const ChartItem& item = frm->VArori1.Item(i);
        worst = std::max(worst, double(std::fabs(item.Y - expected(item.X))));
      }
      EXPECT_LE(worst, 1e-9 * (yHigh - yLow));
      EXPECT_NEAR(frm->NLabFitQual.Value(), double(ref.FitQuality()), 1e-9);
      // At order 7 and above every set here is solved in the centred form.
      if (p >= 7) {
        EXPECT_TRUE(form.Centred());
      }
    }
  }
  EXPECT_TRUE(errors.empty());
  SetErrorBoxHook(nullptr);
}

}  // namespace
