#include "base/float_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// volatile keeps the compiler from folding the faulting operation away.
volatile double zero = 0.0;
volatile double one = 1.0;
volatile double huge = 1e308;

std::string MessageOf(void (*operation)()) {
  try {
    FloatCheck check;
    operation();
    check.Check();
  } catch (const EMathError& e) {
    return e.what();
  }
  return "";
}

TEST(FloatCheck, RaisesTheGermanMessageOfTheOperation) {
  EXPECT_EQ(MessageOf([] {
              volatile double r = one / zero;
              (void)r;
            }),
            "Gleitkommadivision durch Null");
  EXPECT_EQ(MessageOf([] {
              volatile double r = zero / zero;
              (void)r;
            }),
            "Ungültige Gleitkommaoperation");
  EXPECT_EQ(MessageOf([] {
              volatile double r = std::log(-one);
              (void)r;
            }),
            "Ungültige Gleitkommaoperation");
  EXPECT_EQ(MessageOf([] {
              volatile double r = huge * huge;
              (void)r;
            }),
            "Gleitkommaüberlauf");
}

TEST(FloatCheck, UnderflowAndInexactAreNoErrors) {
  EXPECT_EQ(MessageOf([] {
              volatile double r = 1e-308 * 1e-308 * one;
              (void)r;
            }),
            "");
  EXPECT_EQ(MessageOf([] {
              volatile double r = one / 3.0;
              (void)r;
            }),
            "");
}

TEST(FloatCheck, ClearsTheFlagsSoTheNextCheckPasses) {
  EXPECT_THROW(
      {
        FloatCheck check;
        volatile double r = one / zero;
        (void)r;
        check.Check();
      },
      EZeroDivide);
  EXPECT_NO_THROW(CheckFloatFlags());
}

}  // namespace
