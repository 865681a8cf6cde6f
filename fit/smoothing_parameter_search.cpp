// The search for the smoothing parameter p whose spline has the weighted residual sum S: the root
// of f(p) = R(p) − S, taken as log R(p) − log S over log p, by Halley's method (Halley 1694, "A
// new, exact and easy method of finding the roots of equations", Phil. Trans. 18), Newton's where
// the curvature is unknown, kept inside the bracket found so far; each R(p) is one sweep
// (paired_sweep.h, rotation_sweep.h). The same root as Reinsch's (1967, "Smoothing by spline
// functions", Numer. Math. 10), found from a seed or from a prediction by the last result.

#include "fit/smoothing_parameter_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "base/float_check.h"
#include "fit/numeric_kernels.h"
#include "fit/paired_sweep.h"
#include "fit/penalized_cubic_spline.h"
#include "fit/rotation_sweep.h"
#include "fit/value_slope_problem.h"

namespace {

using value_slope::At;
using value_slope::LogResidual;
using value_slope::PairedSweep;
using value_slope::RotationSweep;

// The search ends within this share of S. The sweeps' residual sums are good to about 1e-13 of
// S at 10^5 random knots and 1e-12 at 10^6 (where a search ends at the closest sum it found),
// so the smoothest spline within 1e-8 of S is reached.
constexpr Ext kSweepTolerance = 1e-12L;
// Below this share of S a residual sum is left as it is; above it, and within reach of one
// first-order step of the values and slopes (below), the result is moved onto S by that step.
constexpr Ext kExactTolerance = 1e-14L;
// The largest step of log p taken by moving the values and slopes along their derivative
// rather than by another sweep. The step's error is about half its square times the second
// derivative by log p, a few times the residuals: 1e-7 leaves it near 1e-14 of the residuals,
// below the sweep's own rounding.
constexpr Ext kMaxMovedStep = 1e-7L;
// A few steps from the seed, one or two from a predicted p; the bound only ends a search that
// rounding keeps from the tolerance.
constexpr int kMaxSweepSteps = 100;
// The largest step of log p, a factor of 10^6.
constexpr Ext kMaxSweepStep = 13.8L;

// The step of log p towards log R = target from a point with these derivatives: Halley's where
// the curvature is known and its correction moderate, Newton's otherwise.
Ext StepTowards(const LogResidual& at, Ext target) {
  const Ext gap = at.value - target;
  Ext step = -gap / at.slope;
  const Ext correction = gap * at.curvature / (2 * at.slope * at.slope);
  if (std::fabs(correction) < 0.5L) step = -gap / (at.slope * (1 - correction));
  return step;
}

// A first p for the search when no earlier one is at hand: ∫ g''² scales with the cube of the
// x range and the residual sum with the points' weights, so this starts at the same place for
// data that differ only in units, within a few steps of the root for ordinary smoothing.
Ext Seed(int n1, int n2, std::span<const double> x, std::span<const double> dy) {
  const Ext range = At(x, n2) - At(x, n1);
  Ext weight = 0;
  for (int i = n1; i <= n2; ++i) weight += 1 / Square(At(dy, i));
  return range * range * range * weight / 1000;
}

// The spline whose residual sum is S, found with the sweep from log p = start; writes its values
// into a and slopes into b and returns its log p, or NaN when the sweep gave no finite result.
// Steps of Halley's method (Newton's where the curvature is unknown) on log R − log S over
// log p: R ≈ p²·e(0) for small p and R → L for large p, so the function rises with a slope
// falling from 2 to 0 and is close to its tangent over wide ranges of p. Each step stays inside
// the bracket found so far: a step that would leave it bisects it (or moves by a factor e
// towards the unknown side), and no step moves p by more than a factor of 10^6. The last
// derivatives, moved to the result, go into work for the next search on the same data.
template <class Sweep>
Ext Search(Sweep& sweep, Ext S, Ext start, std::span<double> a, std::span<double> b,
           std::span<double> c, std::span<double> d, PenalizedSplineWork& work) {
  const Ext log_s = std::log(S);
  // log p below and above the root, once known.
  Ext below = -std::numeric_limits<Ext>::infinity();
  Ext above = std::numeric_limits<Ext>::infinity();
  Ext t = start;
  Ext best_t = t;
  Ext best_gap = std::numeric_limits<Ext>::infinity();
  Ext best_residual = 0;
  Ext last_t = t;
  LogResidual known{};
  Ext known_t = 0;
  bool derivatives = false;
  bool moved = false;
  for (int step = 0; step < kMaxSweepSteps; ++step) {
    const Ext p = std::exp(t);
    const Ext residual = sweep.Solve(p, a, b);
    last_t = t;
    if (!std::isfinite(residual) || !(residual > 0)) return std::numeric_limits<Ext>::quiet_NaN();
    const Ext gap = std::fabs(residual - S);
    if (gap < best_gap) {
      best_t = t;
      best_gap = gap;
      best_residual = residual;
    }
    if (gap <= kExactTolerance * S) break;
    if (!Sweep::kHasCurvature && gap <= kSweepTolerance * S) break;
    (residual < S ? below : above) = t;
    known = sweep.Derivatives(a, residual);
    known_t = t;
    derivatives = std::isfinite(known.slope) && known.slope > 0;
    if (!std::isfinite(known.curvature)) known.curvature = 0;
    const Ext towards = derivatives ? StepTowards(known, log_s) : 0;
    if constexpr (Sweep::kHasCurvature) {
      if (derivatives && std::fabs(towards) <= kMaxMovedStep) {
        // Close enough for the derivative of the values and slopes to carry them onto S.
        const Ext moved_residual = sweep.Move(towards, a, b, c, d);
        if (std::fabs(moved_residual - S) <= kSweepTolerance * S) {
          best_t = t + towards;
          best_residual = moved_residual;
          last_t = best_t;
          moved = true;
          break;
        }
        // Not on target after all: back to the solution at t.
        sweep.Move(-towards, a, b, c, d);
      }
    }
    if (gap <= kSweepTolerance * S) break;
    Ext next = derivatives ? t + towards : t;
    if (!(next > t - kMaxSweepStep)) next = t - kMaxSweepStep;
    if (!(next < t + kMaxSweepStep)) next = t + kMaxSweepStep;
    if (!(next > below && next < above)) {
      if (std::isinf(below)) {
        next = above - 1;
      } else if (std::isinf(above)) {
        next = below + 1;
      } else {
        next = below + (above - below) / 2;
      }
    }
    if (!(next > below && next < above) || next == t) break;
    t = next;
  }
  if (!moved) {
    if (last_t != best_t) best_residual = sweep.Solve(std::exp(best_t), a, b);
    sweep.Pieces(a, b, c, d);
  }
  work.prediction_known = derivatives;
  if (derivatives) {
    work.log_p = static_cast<double>(best_t);
    work.log_residual = static_cast<double>(std::log(best_residual));
    work.log_slope = static_cast<double>(known.slope + known.curvature * (best_t - known_t));
    work.log_curvature = static_cast<double>(known.curvature);
    if (!(work.log_slope > 0)) work.prediction_known = false;
  }
  return best_t;
}

// Runs one sweep's search under its own floating-point check: the log p found, or NaN where
// the sweep raised an error or gave nothing finite.
template <class Sweep>
Ext Attempt(Sweep& sweep, Ext S, Ext start, std::span<double> a, std::span<double> b,
            std::span<double> c, std::span<double> d, PenalizedSplineWork& work) {
  FloatCheck check;
  const Ext found = Search(sweep, S, start, a, b, c, d, work);
  try {
    check.Check();
  } catch (const EMathError&) {
    // Knots 1e-30 apart among values of 1e150, say: the rows overflow.
    return std::numeric_limits<Ext>::quiet_NaN();
  }
  return found;
}

}  // namespace

double ValueSlopeSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                        std::span<const double> dy, double S, std::span<double> a,
                        std::span<double> b, std::span<double> c, std::span<double> d,
                        PenalizedSplineWork& work) {
  // Where to start: a prediction from the last result on the same data, else its p, else the
  // seed.
  Ext start = 0;
  if (work.same_data && work.prediction_known) {
    LogResidual last{work.log_residual, work.log_slope, work.log_curvature};
    Ext step = StepTowards(last, std::log(static_cast<Ext>(S)));
    step = std::clamp(step, -kMaxSweepStep, kMaxSweepStep);
    start = work.log_p + step;
  } else if (work.last_p > 0) {
    start = std::log(static_cast<Ext>(work.last_p));
  } else {
    start = std::log(Seed(n1, n2, x, dy));
  }
  work.prediction_known = false;

  Ext found = std::numeric_limits<Ext>::quiet_NaN();
  if (work.sweep_fits) {
    const bool unit =
        std::all_of(dy.begin() + n1, dy.begin() + n2 + 1, [](double v) { return v == 1; });
    if (unit) {
      PairedSweep<true> sweep(n1, n2, x, y, dy, work.rows, work.slopes);
      found = Attempt(sweep, S, start, a, b, c, d, work);
    } else {
      PairedSweep<false> sweep(n1, n2, x, y, dy, work.rows, work.slopes);
      found = Attempt(sweep, S, start, a, b, c, d, work);
    }
  }
  if (std::isnan(found)) {
    work.prediction_known = false;
    RotationSweep sweep(n1, n2, x, y, dy, work.rows);
    found = Attempt(sweep, S, start, a, b, c, d, work);
  }
  if (std::isnan(found)) {
    work.prediction_known = false;
    ClearFloatFlags();
    return 0;
  }
  return static_cast<double>(std::exp(found));
}
