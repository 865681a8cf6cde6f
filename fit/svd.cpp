// Golub–Reinsch singular value decomposition and the least-squares solver built on it:
// Householder bidiagonalisation and implicitly shifted QR sweeps of plane rotations (Golub and
// Kahan 1965, "Calculating the singular values and pseudo-inverse of a matrix", SIAM J. Numer.
// Anal. 2; Golub and Reinsch 1970, "Singular value decomposition and least squares solutions",
// Numer. Math. 14).
//
// Matrix and vector elements are doubles; every scalar of the decomposition is extended
// precision, so each element is loaded, combined in extended precision and rounded once when
// stored. With double scalars the high-order polynomial fits lose two to three digits.

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/matrix.h"
#include "fit/numeric_kernels.h"
#include "fit/triangular_reduction.h"
#include "fit/vector.h"

namespace {

constexpr int kMaxSweeps = 30;
constexpr Ext kRelativeCutoff = 1e-14L;

Ext SignOf(Ext f) {
  return f >= 0 ? 1.0L : -1.0L;
}

// The only convergence tolerance: x does not change anorm at extended precision.
bool Negligible(Ext x, double anorm) {
  const Ext norm = anorm;
  return std::fabs(x) + norm == norm;
}

// An n × n work matrix, 1-based, one contiguous column after the other.
class SquareWork {
 public:
  void Reset(int n) {
    stride_ = static_cast<std::size_t>(n) + 1;
    cells_.assign(stride_ * stride_, 0.0);
  }
  double& operator()(int r, int c) {
    return cells_[static_cast<std::size_t>(c) * stride_ + static_cast<std::size_t>(r)];
  }

 private:
  std::size_t stride_ = 0;
  std::vector<double> cells_;
};

}  // namespace

bool TMatrix::SVDecompose(TMatrix& V, TVector& W) {
  const int m = nr_of_rows_;
  const int n = nr_of_columns_;
  FloatCheck check;

  std::vector<double*> column;
  std::vector<double> w;
  std::vector<double> e;  // superdiagonal; e[1] stays 0
  SquareWork v;
  try {
    column.assign(static_cast<std::size_t>(n) + 1, nullptr);
    w.assign(static_cast<std::size_t>(n) + 1, 0.0);
    e.assign(static_cast<std::size_t>(n) + 1, 0.0);
    v.Reset(n);
  } catch (const std::bad_alloc&) {
    throw EKovixMatrixError("Component \"" + name_ + "\": not enough memory on heap");
  }
  for (int c = 1; c <= n; ++c) column[static_cast<std::size_t>(c)] = cells_[Index(c)].data();
  // a(r, c) for rows 1..m only; rows beyond m exist only as zeros and are never written.
  auto a = [&column](int r, int c) -> double& {
    return column[static_cast<std::size_t>(c)][static_cast<std::size_t>(r - 1)];
  };
  auto wk = [&w](int i) -> double& { return w[static_cast<std::size_t>(i)]; };
  auto ek = [&e](int i) -> double& { return e[static_cast<std::size_t>(i)]; };

  Ext g = 0;
  Ext scale = 0;
  Ext s = 0;
  Ext f = 0;
  Ext h = 0;
  double anorm = 0;
  int l = 0;

  // Householder reduction to upper bidiagonal form.
  for (int i = 1; i <= n; ++i) {
    l = i + 1;
    ek(i) = UncheckedDouble(scale * g);
    g = 0;
    scale = 0;
    if (i <= m) {
      for (int k = i; k <= m; ++k) scale += std::fabs(static_cast<Ext>(a(k, i)));
      if (scale != 0) {
        s = 0;
        for (int k = i; k <= m; ++k) {
          a(k, i) = UncheckedDouble(a(k, i) / scale);
          s += static_cast<Ext>(a(k, i)) * a(k, i);
        }
        f = a(i, i);
        g = -SignOf(f) * std::sqrt(s);
        h = f * g - s;
        a(i, i) = UncheckedDouble(f - g);
        for (int j = l; j <= n; ++j) {
          s = 0;
          for (int k = i; k <= m; ++k) s += static_cast<Ext>(a(k, i)) * a(k, j);
          f = s / h;
          for (int k = i; k <= m; ++k) a(k, j) = UncheckedDouble(a(k, j) + f * a(k, i));
        }
        for (int k = i; k <= m; ++k) a(k, i) = UncheckedDouble(a(k, i) * scale);
      }
    }
    wk(i) = UncheckedDouble(scale * g);
    g = 0;
    scale = 0;
    if (i <= m && i != n) {
      for (int k = l; k <= n; ++k) scale += std::fabs(static_cast<Ext>(a(i, k)));
      if (scale != 0) {
        s = 0;
        for (int k = l; k <= n; ++k) {
          a(i, k) = UncheckedDouble(a(i, k) / scale);
          s += static_cast<Ext>(a(i, k)) * a(i, k);
        }
        f = a(i, l);
        g = -SignOf(f) * std::sqrt(s);
        h = f * g - s;
        a(i, l) = UncheckedDouble(f - g);
        for (int k = l; k <= n; ++k) ek(k) = UncheckedDouble(a(i, k) / h);
        for (int j = l; j <= m; ++j) {
          s = 0;
          for (int k = l; k <= n; ++k) s += static_cast<Ext>(a(j, k)) * a(i, k);
          for (int k = l; k <= n; ++k) a(j, k) = UncheckedDouble(a(j, k) + s * ek(k));
        }
        for (int k = l; k <= n; ++k) a(i, k) = UncheckedDouble(a(i, k) * scale);
      }
    }
    anorm = std::max(anorm, UncheckedDouble(std::fabs(static_cast<Ext>(wk(i))) + std::fabs(ek(i))));
  }
  check.Check();

  // Right-hand transformations into V. A non-zero g here implies a row step was done for row i,
  // so row i <= m.
  for (int i = n; i >= 1; --i) {
    if (i < n) {
      if (g != 0) {
        for (int j = l; j <= n; ++j)
          v(j, i) = UncheckedDouble((static_cast<Ext>(a(i, j)) / a(i, l)) / g);
        for (int j = l; j <= n; ++j) {
          s = 0;
          for (int k = l; k <= n; ++k) s += static_cast<Ext>(a(i, k)) * v(k, j);
          for (int k = l; k <= n; ++k) v(k, j) = UncheckedDouble(v(k, j) + s * v(k, i));
        }
      }
      for (int j = l; j <= n; ++j) {
        v(i, j) = 0;
        v(j, i) = 0;
      }
    }
    v(i, i) = 1;
    g = ek(i);
    l = i;
  }

  // Left-hand transformations into A, which becomes U. A non-zero w[i] implies a column step
  // was done for column i, so i <= m.
  for (int i = n; i >= 1; --i) {
    l = i + 1;
    g = wk(i);
    if (i <= m) {
      for (int j = l; j <= n; ++j) a(i, j) = 0;
    }
    if (g != 0) {
      g = 1 / g;
      for (int j = l; j <= n; ++j) {
        s = 0;
        for (int k = l; k <= m; ++k) s += static_cast<Ext>(a(k, i)) * a(k, j);
        f = (s / a(i, i)) * g;
        for (int k = i; k <= m; ++k) a(k, j) = UncheckedDouble(a(k, j) + f * a(k, i));
      }
      for (int j = i; j <= m; ++j) a(j, i) = UncheckedDouble(a(j, i) * g);
    } else {
      for (int j = i; j <= m; ++j) a(j, i) = 0;
    }
    if (i <= m) a(i, i) = UncheckedDouble(a(i, i) + 1.0L);
  }
  check.Check();

  // Diagonalisation of the bidiagonal form by implicitly shifted QR sweeps.
  bool converged = true;
  for (int k = n; k >= 1; --k) {
    for (int its = 1; its <= kMaxSweeps; ++its) {
      // Split test. e[1] is always 0, so the scan ends at l = 1 without a cancellation.
      bool cancel = true;
      for (l = k; l >= 1; --l) {
        if (l == 1 || Negligible(ek(l), anorm)) {
          cancel = false;
          break;
        }
        if (Negligible(wk(l - 1), anorm)) break;
      }
      if (cancel) {
        const int nm = l - 1;
        Ext c = 0;
        s = 1;
        for (int i = l; i <= k; ++i) {
          f = s * ek(i);
          ek(i) = UncheckedDouble(c * ek(i));
          if (Negligible(f, anorm)) break;
          g = wk(i);
          h = Hypot(f, g);
          wk(i) = UncheckedDouble(h);
          h = 1 / h;
          c = g * h;
          s = -f * h;
          const PlaneRotation<Ext> rotation{c, s};
          for (int r = 1; r <= m; ++r) {
            Ext y = a(r, nm);
            Ext z = a(r, i);
            rotation.Apply(y, z);
            a(r, nm) = UncheckedDouble(y);
            a(r, i) = UncheckedDouble(z);
          }
        }
      }

      Ext z = wk(k);
      if (l == k) {
        if (z < 0) {
          wk(k) = UncheckedDouble(-z);
          for (int r = 1; r <= n; ++r) v(r, k) = -v(r, k);
        }
        break;
      }
      if (its == kMaxSweeps) converged = false;

      // Shift from the trailing 2 × 2 block.
      Ext x = wk(l);
      const int nm = k - 1;
      Ext y = wk(nm);
      g = ek(nm);
      h = ek(k);
      f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2 * h * y);
      g = Hypot(f, 1);
      f = ((x - z) * (x + z) + h * ((y / (f + SignOf(f) * g)) - h)) / x;

      Ext c = 1;
      s = 1;
      for (int j = l; j <= nm; ++j) {
        const int i = j + 1;
        g = ek(i);
        y = wk(i);
        h = s * g;
        g = c * g;
        z = Hypot(f, h);
        ek(j) = UncheckedDouble(z);
        c = f / z;
        s = h / z;
        const PlaneRotation<Ext> right{c, s};
        right.Apply(x, g);
        f = x;
        h = y * s;
        y = y * c;
        for (int r = 1; r <= n; ++r) {
          Ext p = v(r, j);
          Ext q = v(r, i);
          right.Apply(p, q);
          v(r, j) = UncheckedDouble(p);
          v(r, i) = UncheckedDouble(q);
        }
        z = Hypot(f, h);
        wk(j) = UncheckedDouble(z);
        // A zero z leaves the previous rotation in place.
        if (z != 0) {
          z = 1 / z;
          c = f * z;
          s = h * z;
        }
        const PlaneRotation<Ext> left{c, s};
        left.Apply(g, y);
        f = g;
        x = y;
        for (int r = 1; r <= m; ++r) {
          Ext p = a(r, j);
          Ext q = a(r, i);
          left.Apply(p, q);
          a(r, j) = UncheckedDouble(p);
          a(r, i) = UncheckedDouble(q);
        }
      }
      ek(l) = 0;
      ek(k) = UncheckedDouble(f);
      wk(k) = UncheckedDouble(x);
    }
    check.Check();
  }

  // V and W are the caller's: cells outside their sizes are skipped, as for any write.
  for (int c = 1; c <= n; ++c) {
    W.SetElem(c, wk(c));
    for (int r = 1; r <= n; ++r) V.SetElem(c, r, v(r, c));
  }
  Changed();
  return converged;
}

void TMatrix::SVDBackSubstitute(const TMatrix& V, const TVector& W, const TVector& b,
                                TVector& x) const {
  const int m = nr_of_rows_;
  const int n = nr_of_columns_;
  FloatCheck check;
  std::vector<double> t;
  try {
    t.assign(static_cast<std::size_t>(n) + 1, 0.0);
  } catch (const std::bad_alloc&) {
    throw EKovixMatrixError("Component \"" + name_ + "\": not enough memory on heap");
  }
  for (int j = 1; j <= n; ++j) {
    const double wj = W.Elem(j);
    if (wj == 0) continue;
    double sum = 0.0;
    for (int r = 1; r <= m; ++r) sum += Elem(j, r) * b.Elem(r);
    t[static_cast<std::size_t>(j)] = sum / wj;
  }
  for (int i = 1; i <= n; ++i) {
    double sum = 0.0;
    for (int j = 1; j <= n; ++j) sum += V.Elem(j, i) * t[static_cast<std::size_t>(j)];
    x.SetElem(i, sum);
  }
  check.Check();
}

bool TMatrix::LeastSquaresSVD(const TVector& b, TVector& x, bool& RankDeficient) {
  RankDeficient = false;
  const int n = nr_of_columns_;
  TMatrix V;
  V.Resize(n, n);
  TVector W;
  W.Resize(n);
  // With more rows than columns the solution needs only R and Qᵀb of A = QR: R has A's
  // singular values, and its decomposition R = U_R·diag(W)·Vᵀ gives x = V·diag(1/W)·U_Rᵀ·Qᵀb
  // without forming the tall U.
  TMatrix R;
  TVector qtb;
  const bool tall = nr_of_rows_ > n;
  if (tall) {
    R.Resize(n, n);
    qtb.Resize(n);
    TriangularReduction reduction(n);
    std::vector<double> row(static_cast<std::size_t>(n));
    for (int r = 1; r <= nr_of_rows_; ++r) {
      for (int c = 1; c <= n; ++c) row[static_cast<std::size_t>(c - 1)] = Elem(c, r);
      reduction.AddRow(row, b.Elem(r));
    }
    reduction.Finish(R, qtb);
  }
  TMatrix& decomposed = tall ? R : *this;
  const bool ok = decomposed.SVDecompose(V, W);
  if (!ok) return false;

  double wmax = 0.0;
  for (int j = 1; j <= n; ++j) wmax = std::max(wmax, W.Elem(j));
  // Formed in extended precision and rounded once, like every stored value.
  const double threshold = UncheckedDouble(kRelativeCutoff * wmax);
  for (int j = 1; j <= n; ++j) {
    if (W.Elem(j) < threshold) {
      W.SetElem(j, 0.0);
      RankDeficient = true;
    }
  }
  decomposed.SVDBackSubstitute(V, W, tall ? qtb : b, x);
  return true;
}
