#pragma once

// One (x, y) pair as the store keeps it; the file reader hands points on in this form.
struct DataPoint {
  double x = 0;
  double y = 0;

  bool operator==(const DataPoint&) const = default;
};
