#pragma once

#include "base/kovix_error.h"

// The chart's exception: a layer's mapping or joining rule broken.
class EKovixVAroriError : public EKovixError {
 public:
  using EKovixError::EKovixError;
  ~EKovixVAroriError() override;
};
