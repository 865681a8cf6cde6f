#pragma once

#include "base/kovix_error.h"

// The engine's exceptions.
class EKovixMath2Error : public EKovixError {
 public:
  using EKovixError::EKovixError;
  ~EKovixMath2Error() override;
};

class EKovixMatrixError : public EKovixError {
 public:
  using EKovixError::EKovixError;
  ~EKovixMatrixError() override;
};

class EKovixVectorError : public EKovixError {
 public:
  using EKovixError::EKovixError;
  ~EKovixVectorError() override;
};
