#include "fit/rotation_sweep.h"

#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "base/huge_pages.h"
#include "fit/numeric_kernels.h"
#include "fit/value_slope_problem.h"

namespace value_slope {

RotationSweep::RotationSweep(int n1, int n2, std::span<const double> x, std::span<const double> y,
                             std::span<const double> dy, std::vector<double>& rows)
    : n1_(n1), n2_(n2), x_(x), y_(y), dy_(dy), rows_(rows) {
  ResizeOnHugePages(rows_, kRowCells * static_cast<std::size_t>(n2 - n1));
}

namespace {

// One Givens rotation of rows u and v (cells From..To) that zeroes v[From] against u[From]. Its
// cosine and sine come from the root and the reciprocal of a² + b² rather than the kernel's
// division by the root: the two run side by side instead of one after the other.
template <int From, int To>
inline void Rotate(double* u, double* v) {
  const double a = u[From];
  const double b = v[From];
  if (b == 0) return;
  const double norm = a * a + b * b;
  const double r = std::sqrt(norm);
  const double inverse = r * (1 / norm);
  const PlaneRotation<double> rotation{a * inverse, b * inverse};
  u[From] = r;
  v[From] = 0;
  for (int k = From + 1; k <= To; ++k) rotation.Apply(u[k], v[k]);
}

}  // namespace

Ext RotationSweep::Solve(Ext p, std::span<double> g, std::span<double> s) {
  const double sigma = static_cast<double>(std::sqrt(p / 2));
  const double root3 = std::sqrt(3.0);
  // The information on the current knot's z: an upper triangle and its right-hand side.
  double w = 1 / At(dy_, n1_);
  double r11 = w, r12 = 0, r22 = 0, d1 = w * At(y_, n1_), d2 = 0;
  double* out = rows_.data();
  for (int i = n1_; i < n2_; ++i) {
    const double h = At(x_, i + 1) - At(x_, i);
    const double scale = sigma / std::sqrt(h);
    const double stiff = 2 * root3 * scale / h;
    const double half_h = h / 2;
    // Columns: g and s of knot i, g and s of knot i + 1, right-hand side.
    double row1[5] = {r11, r12, 0, 0, d1};
    double row2[5] = {0, r22, 0, 0, d2};
    double row3[5] = {-stiff, -stiff * half_h, stiff, -stiff * half_h, 0};
    double row4[5] = {0, -scale, 0, scale, 0};
    // Row 4 has nothing in the first column, so its rotation with row 2 runs beside that of
    // rows 1 and 3, and leaves nothing in the third column: rows 3 and 4 end triangular.
    Rotate<0, 4>(row1, row3);
    Rotate<1, 4>(row2, row4);
    Rotate<1, 4>(row2, row3);
    const double inverse1 = 1 / row1[0];
    const double inverse2 = 1 / row2[1];
    out[0] = row1[1] * inverse1;
    out[1] = row1[2] * inverse1;
    out[2] = row1[3] * inverse1;
    out[3] = row1[4] * inverse1;
    out[4] = row2[2] * inverse2;
    out[5] = row2[3] * inverse2;
    out[6] = row2[4] * inverse2;
    out[7] = inverse1;
    out[8] = inverse2;
    out += kRowCells;
    // Knot i + 1: what the interval left, and its own residual row.
    w = 1 / At(dy_, i + 1);
    double obs[3] = {w, 0, w * At(y_, i + 1)};
    double top[3] = {row3[2], row3[3], row3[4]};
    double bottom[3] = {0, row4[3], row4[4]};
    Rotate<0, 2>(top, obs);
    Rotate<1, 2>(bottom, obs);
    r11 = top[0];
    r12 = top[1];
    d1 = top[2];
    r22 = bottom[1];
    d2 = bottom[2];
  }
  last_r11_ = r11;
  last_r12_ = r12;
  last_r22_ = r22;
  double s_next = d2 / r22;
  double g_next = (d1 - r12 * s_next) / r11;
  At(s, n2_) = s_next;
  At(g, n2_) = g_next;
  Ext residual = Square((static_cast<Ext>(At(y_, n2_)) - g_next) / At(dy_, n2_));
  for (int i = n2_ - 1; i >= n1_; --i) {
    out -= kRowCells;
    const double si = out[6] - out[4] * g_next - out[5] * s_next;
    const double gi = out[3] - out[0] * si - out[1] * g_next - out[2] * s_next;
    At(s, i) = si;
    At(g, i) = gi;
    s_next = si;
    g_next = gi;
    residual += Square((static_cast<Ext>(At(y_, i)) - gi) / At(dy_, i));
  }
  return residual;
}

LogResidual RotationSweep::Derivatives(std::span<const double> g, Ext residual) const {
  // Forward substitution with the transposed factor: column g of knot i holds 1 on the
  // diagonal and the previous knot's couplings out[1], out[4]; column s holds out[0], 1 and
  // out[2], out[5].
  Ext sum = 0;
  double tg = 0, ts = 0;
  const double* row = rows_.data();
  const double* prev = nullptr;
  for (int i = n1_; i <= n2_; ++i) {
    const double rho = (At(y_, i) - At(g, i)) / (At(dy_, i) * At(dy_, i));
    double vg = rho;
    double vs = 0;
    if (prev) {
      vg -= prev[1] * tg + prev[4] * ts;
      vs -= prev[2] * tg + prev[5] * ts;
    }
    if (i < n2_) {
      tg = vg;
      ts = vs - row[0] * tg;
      sum += Square(static_cast<Ext>(tg) * row[7]) + Square(static_cast<Ext>(ts) * row[8]);
      prev = row;
      row += kRowCells;
    } else {
      tg = vg;
      ts = vs - (last_r12_ / last_r11_) * tg;
      sum += Square(static_cast<Ext>(tg) / last_r11_) + Square(static_cast<Ext>(ts) / last_r22_);
    }
  }
  // p·R'(p)/R(p)
  return {std::log(residual), 2 * sum / residual, 0};
}

}  // namespace value_slope
