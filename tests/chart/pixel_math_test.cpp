#include "chart/pixel_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

// Where the double path answers, it gives ToPixel's pixel; it answers for ordinary values.
TEST(FastPixels, AgreesWithTheExtendedMapping) {
  std::mt19937_64 gen(99);
  std::uniform_real_distribution<double> unit(0, 1);
  long answered = 0, total = 0;
  for (int mapping = 0; mapping < 2000; ++mapping) {
    // Ranges from 1e-12 to 1e12 wide at offsets up to 1e6 ranges, onto 100 to 3000 pixels.
    const long double width = std::pow(10.0L, -12 + 24 * unit(gen));
    const long double low = (unit(gen) - 0.5) * width * std::pow(10.0, 6 * unit(gen));
    const long double pixels = 100 + 2900 * unit(gen);
    const long double factor = pixels / width;
    const long double offset = 40 - low * factor;
    const FastPixels fast(factor, offset, -factor, pixels + offset);
    for (int i = 0; i < 200; ++i) {
      double v = double(low + (unit(gen) * 1.4 - 0.2) * width);
      if (i % 4 == 0) {
        // Close to a half pixel, where the two arithmetics may round apart.
        const long double half = std::floor(factor * v + offset) + 0.5L;
        v = double((half - offset) / factor);
      }
      int px = 0, py = 0;
      ++total;
      if (!fast.Map(v, v, px, py)) continue;
      ++answered;
      ASSERT_EQ(px, ToPixel(factor, offset, v))
          << double(factor) << " " << double(offset) << " " << v;
      ASSERT_EQ(py, ToPixel(-factor, pixels + offset, v));
    }
  }
  EXPECT_GT(answered, total * 7 / 10);
  int px, py;
  const FastPixels plain(60, 40, -50, 540);
  EXPECT_FALSE(plain.Map(std::nan(""), 1, px, py));
  EXPECT_FALSE(plain.Map(1, std::numeric_limits<double>::infinity(), px, py));
  EXPECT_FALSE(plain.Map(1e300, 1, px, py));
  EXPECT_FALSE(plain.Map(0.5 / 60, 1, px, py));  // exactly a half: left to ToPixel
  ASSERT_TRUE(plain.Map(2.5, 3, px, py));
  EXPECT_EQ(px, 190);
  EXPECT_EQ(py, 390);
}

}  // namespace
