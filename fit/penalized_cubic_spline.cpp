// Reinsch's smoothing spline (Reinsch 1967, "Smoothing by spline functions", Numer. Math. 10):
// the banded system in second derivatives and Newton's iteration on p, with a bracketing root
// finder that mends a result ending off target; for positive weights and 0 < S < L the spline is
// found through its values and slopes instead (smoothing_parameter_search.h, Halley steps).

#include "fit/penalized_cubic_spline.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/numeric_kernels.h"
#include "fit/paired_sweep.h"
#include "fit/smoothing_parameter_search.h"

namespace {

// The Newton iteration ends by itself for finite data: while it goes on, f2 rises strictly and
// stays below S, which finitely many floating-point values allow (in practice fewer than 70
// steps, the most when the factor is near 1 and p doubles per step). A NaN breaks that: every
// stopping test is then false. Ordered comparisons with a NaN raise the invalid-operation flag,
// which the check after each step turns into an error, but a comparison compiled as a quiet one
// would not; the bound ends the iteration in that case too.
constexpr int kMaxNewtonSteps = 1000;

// Relative distance from S within which a residual sum counts as on target.
constexpr Ext kResidualTolerance = 1e-10L;
// Only an S below this share of the line's residual has its root at a p worth searching for;
// closer to the line the root moves out towards infinity and the Newton result stands.
constexpr Ext kReachable = 1 - 1e-9L;
// R(p) = p²·e(p) with e falling, so R'(p) <= 2·R/p: across a bracket narrower than this share
// of p the exact residual sum changes by less than the tolerance.
constexpr Ext kBracketResolution = kResidualTolerance / 2;
// On many points the computed R(p) is not monotone: the banded system's condition grows like
// p·n³. A residual sum outside the two of a bracket narrower than this share of p shows that
// rounding, not p, decides the residual from there on, so narrowing further gains nothing. (Where
// rounding is smaller than R's change across such a bracket, no such sum occurs.) On a wider
// bracket it is the solve failing at large p, and the search goes on.
constexpr Ext kNoiseWidth = 1e-2L;
constexpr int kMaxWidenings = 64;
constexpr int kMaxMendSteps = 200;

// The work arrays, each addressed n1 − 1..n2 + 1 and zero at the start. Those after kV hold the
// solutions at the two ends of the root finder's bracket.
enum WorkArray { kR, kR1, kR2, kT, kT1, kU, kV, kLoU, kLoV, kHiU, kHiV, kWorkArrays };

class Work {
 public:
  Work(std::vector<double>& cells, WorkArray which, int n1, int n2)
      : cells_(cells.data() + static_cast<std::size_t>(which) * Size(n1, n2)), base_(n1 - 1) {}
  static std::size_t Size(int n1, int n2) { return static_cast<std::size_t>(n2 - n1 + 3); }
  double& operator[](int i) const { return cells_[i - base_]; }

 private:
  double* cells_;
  int base_;
};

// Every value is stored by UncheckedDouble: each step of the iteration tests the flags once at its
// end (check_), where an overflow becomes the error it is.

// Interval widths must be positive before they are divided by.
Ext CheckedWidth(Ext h) {
  if (h == 0) throw EKovixMath2Error("PenalizedCubicSpline: two or more x-values are identical");
  if (h < 0) throw EKovixMath2Error("PenalizedCubicSpline: x-values must be increasing");
  return h;
}

Ext X(std::span<const double> s, int i) {
  return s[static_cast<std::size_t>(i)];
}

// Residual sum of the weighted least-squares line, the limit of R(p) as p grows. Centred and in
// extended precision, whose range holds every product of a few doubles. A zero dy has no
// weight to give; 0 then keeps the Newton result.
Ext LineResidual(int n1, int n2, std::span<const double> x, std::span<const double> y,
                 std::span<const double> dy) {
  // A dy of 1 (the store's, every one) has the weight 1 without a division.
  auto weight = [](Ext s) { return s == 1 ? Ext(1) : 1 / (s * s); };
  Ext sw = 0, swx = 0, swy = 0;
  for (int i = n1; i <= n2; ++i) {
    const Ext s = X(dy, i);
    if (s == 0) return 0;
    const Ext w = weight(s);
    sw += w;
    swx += w * X(x, i);
    swy += w * X(y, i);
  }
  const Ext mean_x = swx / sw;
  const Ext mean_y = swy / sw;
  Ext sxx = 0, sxy = 0, syy = 0;
  for (int i = n1; i <= n2; ++i) {
    const Ext w = weight(X(dy, i));
    const Ext du = X(x, i) - mean_x;
    const Ext dv = X(y, i) - mean_y;
    sxx += w * du * du;
    sxy += w * du * dv;
    syy += w * dv * dv;
  }
  return syy - sxy * sxy / sxx;
}

// One run of the solver over its arrays.
class Reinsch {
 public:
  Reinsch(int n1, int n2, std::span<const double> x, std::span<const double> y,
          std::span<const double> dy, Ext S, std::vector<double>& cells)
      : n1_(n1),
        n2_(n2),
        m1_(n1 + 1),
        m2_(n2 - 1),
        x_(x),
        y_(y),
        dy_(dy),
        S_(S),
        r_(cells, kR, n1, n2),
        r1_(cells, kR1, n1, n2),
        r2_(cells, kR2, n1, n2),
        t_(cells, kT, n1, n2),
        t1_(cells, kT1, n1, n2),
        u_(cells, kU, n1, n2),
        v_(cells, kV, n1, n2),
        lo_u_(cells, kLoU, n1, n2),
        lo_v_(cells, kLoV, n1, n2),
        hi_u_(cells, kHiU, n1, n2),
        hi_v_(cells, kHiV, n1, n2) {}

  // Returns the p of the result (1 after a combination of two solutions).
  Ext Run(std::span<double> a, std::span<double> b, std::span<double> c, std::span<double> d);
  bool Combined() const { return combined_; }

 private:
  void SetUp(std::span<double> a, std::span<double> b, std::span<double> c, std::span<double> d);
  Ext Solve(Ext p, std::span<const double> a, std::span<const double> b, std::span<const double> c,
            std::span<const double> d);
  void Keep(const Work& u, const Work& v) const;
  bool OnTarget(Ext residual) const {
    return residual <= S_ && S_ - residual <= kResidualTolerance * S_;
  }
  Ext Mend(Ext p, Ext f2, Ext lo_p, std::span<const double> a, std::span<const double> b,
           std::span<const double> c, std::span<const double> d);
  void Combine(Ext lo_p, Ext hi_p);

  const int n1_, n2_, m1_, m2_;
  std::span<const double> x_, y_, dy_;
  const Ext S_;
  Work r_, r1_, r2_, t_, t1_, u_, v_, lo_u_, lo_v_, hi_u_, hi_v_;
  FloatCheck check_;
  bool combined_ = false;
};

void Reinsch::SetUp(std::span<double> a, std::span<double> b, std::span<double> c,
                    std::span<double> d) {
  auto at = [](std::span<double> s, int i) -> double& { return s[static_cast<std::size_t>(i)]; };
  Work &r = r_, &r1 = r1_, &r2 = r2_, &t = t_, &t1 = t1_;
  // Second divided differences into a, the tridiagonal T into t and t1, Q into r2, r1, r.
  Ext h = CheckedWidth(X(x_, m1_) - X(x_, n1_));
  Ext f = (X(y_, m1_) - X(y_, n1_)) / h;
  for (int i = m1_; i <= m2_; ++i) {
    const Ext g = h;
    h = CheckedWidth(X(x_, i + 1) - X(x_, i));
    const Ext e = f;
    f = (X(y_, i + 1) - X(y_, i)) / h;
    at(a, i) = UncheckedDouble(f - e);
    t[i] = UncheckedDouble(2 * (g + h) / 3);
    t1[i] = UncheckedDouble(h / 3);
    r2[i] = UncheckedDouble(X(dy_, i - 1) / g);
    r[i] = UncheckedDouble(X(dy_, i + 1) / h);
    r1[i] = UncheckedDouble(-X(dy_, i) / g - X(dy_, i) / h);
  }
  // QᵀD²Q into b, c, d.
  for (int i = m1_; i <= m2_; ++i) {
    at(b, i) = UncheckedDouble(static_cast<Ext>(r[i]) * r[i] + static_cast<Ext>(r1[i]) * r1[i] +
                               static_cast<Ext>(r2[i]) * r2[i]);
    at(c, i) =
        UncheckedDouble(static_cast<Ext>(r[i]) * r1[i + 1] + static_cast<Ext>(r1[i]) * r2[i + 1]);
    at(d, i) = UncheckedDouble(static_cast<Ext>(r[i]) * r2[i + 2]);
  }
  check_.Check();
}

// Solves (QᵀD²Q·p + T)·u = Qᵀy by the banded Cholesky decomposition and forms v = D²Qu;
// returns e = vᵀD⁻²v, so the residual sum at p is e·p². Leaves the factor in r, r1, r2.

Ext Reinsch::Solve(Ext p, std::span<const double> a, std::span<const double> b,
                   std::span<const double> c, std::span<const double> d) {
  Work &r = r_, &r1 = r1_, &r2 = r2_, &t = t_, &t1 = t1_, &u = u_, &v = v_;
  // r[n1 − 1] and r[n1] stay 0, so the first pass multiplies these only by 0.
  Ext f = 0;
  Ext g = 0;
  Ext h = 0;
  for (int i = m1_; i <= m2_; ++i) {
    r1[i - 1] = UncheckedDouble(f * r[i - 1]);
    r2[i - 2] = UncheckedDouble(g * r[i - 2]);
    r[i] = UncheckedDouble(1 / (p * X(b, i) + t[i] - f * r1[i - 1] - g * r2[i - 2]));
    u[i] = UncheckedDouble(X(a, i) - r1[i - 1] * static_cast<Ext>(u[i - 1]) -
                           r2[i - 2] * static_cast<Ext>(u[i - 2]));
    f = p * X(c, i) + t1[i] - h * r1[i - 1];
    g = h;
    h = X(d, i) * p;
  }
  for (int i = m2_; i >= m1_; --i) {
    u[i] = UncheckedDouble(r[i] * static_cast<Ext>(u[i]) - r1[i] * static_cast<Ext>(u[i + 1]) -
                           r2[i] * static_cast<Ext>(u[i + 2]));
  }
  Ext e = 0;
  h = 0;
  for (int i = n1_; i <= m2_; ++i) {
    g = h;
    h = (static_cast<Ext>(u[i + 1]) - u[i]) / (X(x_, i + 1) - X(x_, i));
    v[i] = UncheckedDouble((h - g) * X(dy_, i) * X(dy_, i));
    e = e + v[i] * (h - g);
  }
  g = -h * X(dy_, n2_) * X(dy_, n2_);
  v[n2_] = UncheckedDouble(g);
  e = e - g * h;
  check_.Check();
  return e;
}

Ext Reinsch::Run(std::span<double> a, std::span<double> b, std::span<double> c,
                 std::span<double> d) {
  auto at = [](std::span<double> s, int i) -> double& { return s[static_cast<std::size_t>(i)]; };
  Work &r = r_, &r1 = r1_, &r2 = r2_, &u = u_, &v = v_;
  SetUp(a, b, c, d);

  // Newton's method on p; p = 0 is the interpolating spline. The last iterate below S is the
  // lower end of the bracket should the result need mending.
  Ext p = 0;
  Ext f2 = -S_;
  Ext below_p = 0;
  for (int step = 1; step <= kMaxNewtonSteps; ++step) {
    const Ext e = Solve(p, a, b, c, d);
    Ext g = f2;
    f2 = e * p * p;
    if (f2 < S_) below_p = p;
    if (f2 >= S_ || f2 <= g) break;

    Ext f = 0;
    Ext h = (static_cast<Ext>(v[m1_]) - v[n1_]) / (X(x_, m1_) - X(x_, n1_));
    for (int i = m1_; i <= m2_; ++i) {
      g = h;
      h = (static_cast<Ext>(v[i + 1]) - v[i]) / (X(x_, i + 1) - X(x_, i));
      g = h - g - r1[i - 1] * static_cast<Ext>(r[i - 1]) - r2[i - 2] * static_cast<Ext>(r[i - 2]);
      f = f + g * r[i] * g;
      r[i] = UncheckedDouble(g);
    }
    h = e - p * f;
    if (h <= 0) break;
    p = p + (S_ - f2) / ((std::sqrt(S_ / e) + p) * h);
    check_.Check();
  }

  if (S_ > 0 && std::fabs(f2 - S_) > kResidualTolerance * S_ &&
      S_ < kReachable * LineResidual(n1_, n2_, x_, y_, dy_)) {
    p = Mend(p, f2, below_p, a, b, c, d);
  }

  for (int i = n1_; i <= n2_; ++i) {
    at(a, i) = UncheckedDouble(X(y_, i) - p * v[i]);
    at(c, i) = u[i];
  }
  for (int i = n1_; i <= m2_; ++i) {
    const Ext h = X(x_, i + 1) - X(x_, i);
    at(d, i) = UncheckedDouble((static_cast<Ext>(at(c, i + 1)) - at(c, i)) / (3 * h));
    at(b, i) = UncheckedDouble((static_cast<Ext>(at(a, i + 1)) - at(a, i)) / h -
                               (h * at(d, i) + at(c, i)) * h);
  }
  check_.Check();
  return p;
}

void Reinsch::Keep(const Work& u, const Work& v) const {
  for (int i = n1_; i <= n2_; ++i) {
    u[i] = u_[i];
    v[i] = v_[i];
  }
}

// Carries on where the Newton iteration stopped off target, from p with residual sum f2 and an
// earlier iterate lo_p below S: brackets the root of R(p) = S, then narrows the bracket by
// Illinois (regula falsi) steps on √R − √S, bisecting when it stops halving. Returns the p whose
// solution u, v holds; after Combine that is 1, with v holding the residuals themselves.
Ext Reinsch::Mend(Ext p, Ext f2, Ext lo_p, std::span<const double> a, std::span<const double> b,
                  std::span<const double> c, std::span<const double> d) {
  Ext hi_p = p;
  Ext lo_f2 = 0;
  Ext hi_f2 = f2;
  if (f2 > S_) {
    Keep(hi_u_, hi_v_);
    lo_f2 = Solve(lo_p, a, b, c, d) * lo_p * lo_p;
    Keep(lo_u_, lo_v_);
  } else {
    // Stopped below S: widen p until the residual sum passes S.
    const Ext newton_p = p;
    lo_p = p;
    lo_f2 = f2;
    Keep(lo_u_, lo_v_);
    bool passed = false;
    for (int step = 0; step < kMaxWidenings && lo_p > 0 && !passed; ++step) {
      const Ext q = 4 * lo_p;
      const Ext fq = Solve(q, a, b, c, d) * q * q;
      if (OnTarget(fq)) return q;
      if (fq <= lo_f2) break;
      passed = fq > S_;
      Keep(passed ? hi_u_ : lo_u_, passed ? hi_v_ : lo_v_);
      (passed ? hi_p : lo_p) = q;
      (passed ? hi_f2 : lo_f2) = fq;
    }
    if (!passed) {
      Solve(newton_p, a, b, c, d);
      return newton_p;
    }
  }

  // 1/√R is close to linear in 1/p both for small p (R ≈ p²·e(0)) and for large p (R ≈ L − k/p),
  // so the secant runs on ψ = 1/√R − 1/√S over z = 1/p.
  const Ext inv_root_s = 1 / std::sqrt(S_);
  Ext psi_lo = lo_p > 0 ? 1 / std::sqrt(lo_f2) - inv_root_s : 0;
  Ext psi_hi = 1 / std::sqrt(hi_f2) - inv_root_s;
  int kept_side = 0;
  int slow_steps = 0;
  for (int step = 0; step < kMaxMendSteps && hi_p - lo_p > kBracketResolution * lo_p; ++step) {
    const Ext width = hi_p - lo_p;
    Ext q = 0;
    if (lo_p > 0 && slow_steps < 2) {
      const Ext z_lo = 1 / lo_p;
      const Ext z_hi = 1 / hi_p;
      q = 1 / (z_hi - psi_hi * (z_lo - z_hi) / (psi_lo - psi_hi));
    }
    if (!(q > lo_p && q < hi_p)) {
      q = lo_p > 0 ? std::sqrt(lo_p) * std::sqrt(hi_p) : hi_p / 2;
      slow_steps = 0;
    }
    if (!(q > lo_p && q < hi_p)) break;  // no value of p left between the two
    const Ext fq = Solve(q, a, b, c, d) * q * q;
    if (OnTarget(fq)) return q;
    if ((fq < lo_f2 || fq > hi_f2) && width < kNoiseWidth * lo_p) break;
    const Ext psi = 1 / std::sqrt(fq) - inv_root_s;
    if (fq > S_) {
      Keep(hi_u_, hi_v_);
      hi_p = q;
      hi_f2 = fq;
      psi_hi = psi;
      if (kept_side == 1) psi_lo /= 2;
      kept_side = 1;
    } else {
      Keep(lo_u_, lo_v_);
      lo_p = q;
      lo_f2 = fq;
      psi_lo = psi;
      if (kept_side == -1) psi_hi /= 2;
      kept_side = -1;
    }
    slow_steps = hi_p - lo_p > width / 2 ? slow_steps + 1 : 0;
  }
  Combine(lo_p, hi_p);
  return 1;
}

// The splines at lo_p and hi_p have residual sums on either side of S; so has every
// combination (1 − θ)·lo + θ·hi, which is again a natural cubic spline on the same knots. Picks
// the θ whose residual sum is S, leaving the residuals in v and the combined u.
void Reinsch::Combine(Ext lo_p, Ext hi_p) {
  auto residual = [&](Ext theta, int i) {
    return (1 - theta) * lo_p * lo_v_[i] + theta * hi_p * hi_v_[i];
  };
  Ext aa = 0, bb = 0, cc = 0;
  for (int i = n1_; i <= n2_; ++i) {
    const Ext q = lo_p * lo_v_[i] / X(dy_, i);
    const Ext w = (hi_p * hi_v_[i] - lo_p * lo_v_[i]) / X(dy_, i);
    aa += w * w;
    bb += q * w;
    cc += q * q;
  }
  // aa·θ² + 2·bb·θ + cc = S, the root in (0, 1), in the form that does not cancel.
  Ext theta = (S_ - cc) / (bb + std::sqrt(bb * bb + aa * (S_ - cc)));
  if (!(theta >= 0 && theta <= 1)) theta = 1;
  // The residuals are stored rounded; their sum decides. θ = 0 (the lower spline) is below S
  // and θ = 1 above, so bisection settles any rounding that left the root off the band.
  auto stored_sum = [&](Ext t) {
    Ext sum = 0;
    for (int i = n1_; i <= n2_; ++i) {
      const Ext q = UncheckedDouble(residual(t, i)) / X(dy_, i);
      sum += q * q;
    }
    return sum;
  };
  Ext below = 0;
  Ext above = 1;
  for (int step = 0; step < kMaxMendSteps; ++step) {
    const Ext sum = stored_sum(theta);
    (sum <= S_ ? below : above) = theta;
    if (OnTarget(sum)) break;
    const Ext next = below + (above - below) / 2;
    if (!(next > below && next < above)) break;
    theta = next;
  }
  theta = below;
  combined_ = true;
  for (int i = n1_; i <= n2_; ++i) {
    v_[i] = UncheckedDouble(residual(theta, i));
    u_[i] = UncheckedDouble((1 - theta) * lo_u_[i] + theta * hi_u_[i]);
  }
  check_.Check();
}

}  // namespace

void PenalizedCubicSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                          std::span<const double> dy, double S, std::span<double> a,
                          std::span<double> b, std::span<double> c, std::span<double> d) {
  PenalizedSplineWork work;
  PenalizedCubicSpline(n1, n2, x, y, dy, S, a, b, c, d, work);
}

void PenalizedCubicSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                          std::span<const double> dy, double S, std::span<double> a,
                          std::span<double> b, std::span<double> c, std::span<double> d,
                          PenalizedSplineWork& work) {
  if (n1 >= n2) throw EKovixMath2Error("PenalizedCubicSpline: n1 must not be greater than n2");
  const std::size_t needed = static_cast<std::size_t>(n2) + 1;
  if (n1 < 0 || x.size() < needed || y.size() < needed || dy.size() < needed || a.size() < needed ||
      b.size() < needed || c.size() < needed || d.size() < needed) {
    throw EKovixMath2Error("PenalizedCubicSpline: arrays must hold indices n1..n2");
  }
  // The sweep wherever it applies: positive weights and 0 < S < L. Reinsch's iteration serves
  // the rest (S = 0, the interpolating spline; S ≥ L, the line), and data at the edge of the
  // double range, where the sweep's rows overflow and the text's arithmetic decides.
  const bool same_data = work.same_data;
  work.same_data = false;
  work.p_known = false;
  if (!same_data) work.data_known = false;
  if (S > 0) {
    if (!work.data_known) {
      work.prediction_known = false;
      work.sweep_applies = std::all_of(dy.begin() + n1, dy.begin() + n2 + 1,
                                       [](double w) { return w > 0 && std::isfinite(w); });
      if (work.sweep_applies) {
        for (int i = n1; i < n2; ++i) CheckedWidth(X(x, i + 1) - X(x, i));
        work.sweep_fits = SweepFits(n1, n2, x, dy);
        FloatCheck check;
        const Ext line = LineResidual(n1, n2, x, y, dy);
        work.line_residual = line;
        try {
          check.Check();
        } catch (const EMathError&) {
          ClearFloatFlags();
          work.sweep_applies = false;
        }
      }
      work.data_known = true;
    }
    if (work.sweep_applies && S < work.line_residual) {
      work.same_data = same_data;
      const double found = ValueSlopeSpline(n1, n2, x, y, dy, S, a, b, c, d, work);
      work.same_data = false;
      if (found > 0) {
        work.last_p = found;
        work.p_known = true;
        return;
      }
    }
  }
  work.prediction_known = false;
  work.cells.assign(kWorkArrays * Work::Size(n1, n2), 0.0);
  Reinsch reinsch(n1, n2, x, y, dy, S, work.cells);
  work.last_p = static_cast<double>(reinsch.Run(a, b, c, d));
  work.p_known = !reinsch.Combined();
}
