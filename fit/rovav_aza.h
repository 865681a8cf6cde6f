#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "base/data_point.h"
#include "fit/matrix.h"
#include "fit/penalized_cubic_spline.h"
#include "fit/polynomial_curve.h"
#include "fit/spline_statistics.h"
#include "fit/vector.h"

// The sums the transformed fits read, each accumulated in extended precision. The conditional
// ones leave out points whose term has no value; a data flag then records the gap.
struct RunningSums {
  long double SumX = 0;
  long double SumY = 0;
  long double SumX2 = 0;
  long double SumY2 = 0;
  long double SumRecY = 0;     // |y| > NearZeroLimit
  long double SumRecY2 = 0;    // |y| > NearZeroLimit
  long double SumXRecY = 0;    // |y| > NearZeroLimit
  long double SumLnX = 0;      // x > 0
  long double SumLnX2 = 0;     // x > 0
  long double SumYLnX = 0;     // x > 0
  long double SumLnXRecY = 0;  // x > 0 and y != 0
  long double SumLnY = 0;      // y > 0
  long double SumLnY2 = 0;     // y > 0
  long double SumXLnY = 0;     // y > 0

  bool operator==(const RunningSums&) const = default;
};

enum class TDataFlag : unsigned {
  XNotPositive = 1,  // some x <= 0
  YNotPositive = 2,  // some y <= 0
  YNearZero = 4,     // some |y| <= NearZeroLimit
};

// The set of data flags; only clearing the store removes one.
class TDataFlags {
 public:
  bool Contains(TDataFlag flag) const { return (bits_ & static_cast<unsigned>(flag)) != 0; }
  bool Empty() const { return bits_ == 0; }
  void Include(TDataFlag flag) { bits_ |= static_cast<unsigned>(flag); }
  void Clear() { bits_ = 0; }

 private:
  unsigned bits_ = 0;
};

// The curve-fitting component: an append-only store of (x, y) points with the running sums and
// domain flags its fits read, and the lazily computed smoothing spline.
class TRovavAza {
 public:
  static constexpr long double NearZeroLimit = 1e-30L;
  static constexpr double EmptyMinX = 1.7e308;
  // Initial capacity of the point table and the step it grows by.
  static constexpr int TableGrowth = 1000;

  TRovavAza();
  ~TRovavAza();
  TRovavAza(const TRovavAza&) = delete;
  TRovavAza& operator=(const TRovavAza&) = delete;

  // Adds one point to the table, the sums and the flags. Either the point is added completely
  // or, when the table cannot grow, EKovixMatrixError is thrown and nothing has changed.
  void AddPoint(double x, double y);
  // Adds the points in order, as AddPoint one by one would, with the table grown once. All or
  // nothing as AddPoint.
  void AddPoints(std::span<const DataPoint> points);
  // Forgets all points; the table keeps its capacity, zeroed.
  void ClearData();

  int NumPoints() const { return num_points_; }
  // Smallest x added since the last clear; EmptyMinX when there is none.
  double MinX() const { return min_x_; }

  double SmoothingFactor() const { return smoothing_factor_; }
  // Not checked; always invalidates the spline, even for the same value.
  void SetSmoothingFactor(double value);

  bool SplineValid() const { return spline_valid_; }
  double SplineFitQuality() const { return spline_fit_quality_; }

  // The sums of all points. The reciprocal and logarithmic ones are brought up to date here,
  // on first use after points were added (see SyncDeferredSums).
  const RunningSums& Sums() const {
    if (deferred_rows_ < num_points_) SyncDeferredSums();
    return sums_;
  }
  // Σx and Σy as adding the points accumulated them: read without the pass that brings the
  // deferred sums up to date. Whether two x values differ.
  long double ImmediateSumX() const { return sums_.SumX; }
  long double ImmediateSumY() const { return sums_.SumY; }
  bool XVaries() const { return x_varies_; }
  TDataFlags DataFlags() const { return data_flags_; }
  bool HasFlag(TDataFlag flag) const { return data_flags_.Contains(flag); }
  // Column 1 holds x, column 2 y; rows 1..NumPoints are the points in input order, the rest
  // is spare capacity and reads 0.
  const TMatrix& PointTable() const { return point_table_; }

  // About ln of the smallest positive double: below it an exponential intercept has no double
  // value worth reporting.
  static constexpr long double LnMinDouble = -744.4281322176367L;

  // Least-squares fits over all points. Each sets its outputs to 0, refuses unsuitable data with
  // EKovixMath2Error and raises a floating-point error (EMathError) rather than hand out a value
  // that is not finite; FitQual is the coefficient of determination of the regression solved.
  // y = k*x + d, on the data centred on its means. All x equal gives k = d = FitQual = 0.
  void CalcLinFit(double& k, double& d, double& FitQual) const;
  // y = k0 + k1*x + k2*x^2, on the centred data.
  void CalcParabolFit(double& k0, double& k1, double& k2, double& FitQual) const;
  // The next four fit a line z = b0 + b1*u in transformed coordinates from the running sums, in
  // O(1). Where the determinant n·Σu² − (Σu)² or the spread Σz² − (Σz)²/n has lost more than 20
  // of its 64 bits to cancellation, the fit is read from the point table instead, centred on
  // the means, in extended precision. All x equal divides by a zero determinant and raises
  // that floating-point error.
  // y = 1/(k0 + k1*x)
  void CalcReciLinFit(double& k0, double& k1, double& FitQual) const;
  // y = k0 + k1*ln(x)
  void CalcLogFit(double& k0, double& k1, double& FitQual) const;
  // y = 1/(k0 + k1*ln(x))
  void CalcReciLogFit(double& k0, double& k1, double& FitQual) const;
  // y = k0*exp(k1*x), fitted as ln(y) = b0 + k1*x with k0 = exp(b0).
  void CalcExponentialFit(double& k0, double& k1, double& FitQual) const;

  // Writes the points as an ASCII table with a five-line header, CR LF line ends. errorText
  // receives the system's description when the file cannot be created (nothing is written then);
  // a failure while writing or closing throws std::runtime_error.
  void WriteAscFile(const std::string& fileName, const std::string& comment, int precision,
                    std::string& errorText) const;

  // The fits, the smoothing spline and the export are members defined in their own files; they
  // only read the store, except the spline, which fills its own state below.

  // Least-squares polynomial of the given order: coefficients[0] is the constant term,
  // coefficients[j] the factor of x^j; elements beyond the order are not touched. FitQual is
  // the squared correlation of y and the fitted values. RankDeficient tells that singular values
  // were dropped (minimum-norm solution). False only when the decomposition did not converge;
  // the coefficients are then 0. Throws EKovixMath2Error when coefficients holds fewer than
  // order + 1 elements, EInvalidOp when a point is not finite.
  bool CalcPolynomialFit(std::uint8_t order, std::span<double> coefficients, double& FitQual,
                         bool& RankDeficient) const;
  // The same, and `curve` the polynomial in the form it was solved in, to draw (orders up to
  // PolynomialCurve::kMaxOrder).
  bool CalcPolynomialFit(std::uint8_t order, std::span<double> coefficients, double& FitQual,
                         bool& RankDeficient, PolynomialCurve& curve) const;

  // Value of the smoothing spline at x; the spline is computed first when the points or the
  // smoothing factor changed since. valid is false and the result 0 outside the first..last
  // knot. FitQual receives the spline's coefficient of determination. Throws EKovixMath2Error
  // for fewer than two points or repeated x values; a failed computation is tried again on the
  // next evaluation. A NaN x raises EInvalidOp, a value beyond the double range EOverflow.
  double SmoothSplineValue(double x, double& FitQual, bool& valid);
  // The statistics of that spline (see SmoothingSplineStatistics): its parameter p, tr A, σ̂²,
  // GCV, and the fitted value and leverage of every knot, the knots in ascending x (unit
  // weights). Computes the spline first when needed, as SmoothSplineValue does; asked for only
  // here, never while the spline is computed. Throws EKovixMath2Error as SmoothSplineValue does,
  // and where the spline has no positive parameter: the factor 0 or two points (it interpolates,
  // n − tr A = 0), or a result the solver mended by combining two parameters.
  SplineStatistics SmoothSplineStatistics();

 private:
  // Adding a point accumulates SumX, SumY, SumX2, SumY2, the flags and MinX at once. The
  // reciprocals and logarithms of the other sums cost most of the time of adding (a million
  // points from a file: 90 ms of 140), and only the four transformed fits read them: they are
  // accumulated from the table, in the order the points came, when the sums are next read. The
  // same terms in the same order give the same sums as accumulating them at once.
  void AccumulateSums(double x, double y);
  void SyncDeferredSums() const;

  TMatrix point_table_;
  int num_points_ = 0;
  double min_x_ = EmptyMinX;
  // True once two x values differ. All x equal is exactly the case of a zero determinant in
  // the transformed fits, whose sums alone cannot tell it from rounding noise.
  bool x_varies_ = false;
  mutable RunningSums sums_;
  // Rows 1..deferred_rows_ are in the reciprocal and logarithmic sums.
  mutable int deferred_rows_ = 0;
  TDataFlags data_flags_;
  double smoothing_factor_ = 0.5;

  // Smoothing spline state, filled by the spline computation.
  bool spline_valid_ = false;
  double spline_fit_quality_ = 0.0;
  std::unique_ptr<TVector> spline_x_;  // the knots, ascending
  std::unique_ptr<TVector> spline_y_;  // their y values
  std::vector<double> spline_a_;
  std::vector<double> spline_b_;
  std::vector<double> spline_c_;
  std::vector<double> spline_d_;

  // Working storage of the spline computation, kept so that a recomputation (every change of
  // the smoothing factor) allocates nothing.
  // spline_xs_ and spline_ys_ hold the current points sorted, from index 1, and the two sums
  // below are theirs: a new factor alone needs no new sort.
  bool spline_sorted_ = false;
  std::vector<double> spline_xs_;
  std::vector<double> spline_ys_;
  std::vector<double> spline_weights_;
  double spline_line_residual_ = 0.0;  // of the least-squares line
  double spline_spread_ = 0.0;         // Σ (y − mean)²
  PenalizedSplineWork spline_work_;

  void CalcSmoothSpline();
  // The sorted points, the knot vectors and the sums that depend on the points alone.
  void PrepareSmoothSpline();
  double MeanY() const;
};
