#include "fit/rovav_aza.h"

#include <cmath>
#include <limits>

#include "fit/kovix_errors.h"

TRovavAza::TRovavAza() {
  point_table_.Resize(2, TableGrowth);
  ClearData();
}

TRovavAza::~TRovavAza() = default;

void TRovavAza::ClearData() {
  sums_ = RunningSums{};
  deferred_rows_ = 0;
  num_points_ = 0;
  spline_fit_quality_ = 0.0;
  // The spline belongs to the points just forgotten.
  spline_valid_ = false;
  spline_sorted_ = false;
  spline_work_.last_p = 0;
  point_table_.Fill(0.0);
  min_x_ = EmptyMinX;
  x_varies_ = false;
  data_flags_.Clear();
}

void TRovavAza::AddPoint(double x, double y) {
  // Grow first: it is the only step that can fail, and a failure must leave the sums, flags and
  // count describing exactly the points in the table.
  if (point_table_.NrOfRows() < num_points_ + 1) {
    point_table_.Resize(2, point_table_.NrOfRows() + TableGrowth);
  }
  AccumulateSums(x, y);
  ++num_points_;
  point_table_.SetElem(1, num_points_, x);
  point_table_.SetElem(2, num_points_, y);
  spline_valid_ = false;
  spline_sorted_ = false;
}

void TRovavAza::AddPoints(std::span<const DataPoint> points) {
  const long long rows =
      static_cast<long long>(num_points_) + static_cast<long long>(points.size());
  if (rows > std::numeric_limits<int>::max()) throw EKovixMatrixError("AddPoints: too many points");
  if (point_table_.NrOfRows() < rows) {
    // The row count single adds would reach: whole steps of TableGrowth.
    const long long steps = (rows - point_table_.NrOfRows() + TableGrowth - 1) / TableGrowth;
    point_table_.Resize(2, int(point_table_.NrOfRows() + steps * TableGrowth));
  }
  for (const DataPoint& p : points) {
    AccumulateSums(p.x, p.y);
    ++num_points_;
    point_table_.SetElem(1, num_points_, p.x);
    point_table_.SetElem(2, num_points_, p.y);
  }
  if (!points.empty()) {
    spline_valid_ = false;
    spline_sorted_ = false;
  }
}

void TRovavAza::AccumulateSums(double x, double y) {
  if (num_points_ > 0 && x != point_table_.Elem(1, 1)) x_varies_ = true;
  if (x < min_x_) min_x_ = x;

  const long double lx = x;
  const long double ly = y;
  sums_.SumX += lx;
  sums_.SumY += ly;
  sums_.SumX2 += lx * lx;
  sums_.SumY2 += ly * ly;

  // The flags the reciprocal and logarithmic terms would raise; the terms follow later.
  if (!(std::fabs(ly) > NearZeroLimit)) data_flags_.Include(TDataFlag::YNearZero);
  if (lx > 0) {
    if (ly == 0) data_flags_.Include(TDataFlag::YNearZero);
    if (ly <= 0) data_flags_.Include(TDataFlag::YNotPositive);
  } else {
    data_flags_.Include(TDataFlag::XNotPositive);
  }
  if (!(ly > 0)) data_flags_.Include(TDataFlag::YNotPositive);
}

void TRovavAza::SyncDeferredSums() const {
  RunningSums& s = sums_;
  for (int row = deferred_rows_ + 1; row <= num_points_; ++row) {
    const long double lx = point_table_.Elem(1, row);
    const long double ly = point_table_.Elem(2, row);
    // Each logarithm and reciprocal is computed only behind its guard, so excluded points raise
    // no floating-point flag.
    if (std::fabs(ly) > NearZeroLimit) {
      s.SumRecY += 1.0L / ly;
      s.SumRecY2 += 1.0L / (ly * ly);
      s.SumXRecY += lx / ly;
    }
    if (lx > 0) {
      const long double ln_x = std::log(lx);
      s.SumLnX += ln_x;
      s.SumLnX2 += ln_x * ln_x;
      s.SumYLnX += ln_x * ly;
      if (ly != 0) s.SumLnXRecY += ln_x / ly;
    }
    if (ly > 0) {
      const long double ln_y = std::log(ly);
      s.SumLnY += ln_y;
      s.SumLnY2 += ln_y * ln_y;
      s.SumXLnY += ln_y * lx;
    }
  }
  deferred_rows_ = num_points_;
}

void TRovavAza::SetSmoothingFactor(double value) {
  smoothing_factor_ = value;
  spline_valid_ = false;
}
