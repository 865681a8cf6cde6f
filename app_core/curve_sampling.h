#pragma once

#include <functional>

#include "fit/polynomial_curve.h"
#include "fit/rovav_aza.h"

// Where a sweep hands its curve: a move to the point, else a line to it.
using CurveSink = std::function<void(double x, double y, bool move)>;

// The x positions at which the model commands sample their curves: 200 steps across the chart's
// x range, read when the command starts.
class CurveSampling {
 public:
  static constexpr int kSamples = 200;

  CurveSampling(double rangeLow, double rangeHigh);
  double RL() const { return rl_; }
  double RH() const { return rh_; }
  double Step() const { return step_; }
  // x_i = RL + i * CurveStep, i = 1..200.
  double Sample(int i) const;

 private:
  double rl_, rh_;
  double step_;
};

// The polynomial's curve as the window draws it: a move to (RL + CurveStep, P) (the first line has
// no length), then a line to each sample. P is the polynomial in the form it was solved in.
void SweepPolynomial(const CurveSampling& samples, const PolynomialCurve& curve,
                     const CurveSink& point);

// A spline's curve from its first knot x0: a move to (x0, y0), then a line to each sample where
// `value` says the spline is defined (inside the data).
void SweepFromFirstKnot(double x0, double y0, const CurveSampling& samples,
                        const std::function<double(double x, bool& defined)>& value,
                        const CurveSink& point);

// The merged spline's curve (repeated x merged), drawn as the store's spline is: from the
// smallest x, then each sample inside.
class MergedSmoothingSpline;
void SweepMergedSpline(const MergedSmoothingSpline& spline, double minX,
                       const CurveSampling& samples, const CurveSink& point);

// The smoothing spline's curve as the window draws it: the spline with `factor`, then `quality`
// with the goodness of fit of the first value, then the move to (MinX, y(MinX)) and one point
// per sample inside the data. Errors of the spline end the sweep where they are raised.
void SweepSmoothSpline(TRovavAza& store, const CurveSampling& samples, double factor,
                       const std::function<void(double fitQual)>& quality, const CurveSink& point);
