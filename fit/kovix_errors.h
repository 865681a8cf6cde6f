#pragma once

#include <stdexcept>
#include <string>

// The system's exceptions. The message text is the only payload: what() returns it unchanged.
class EKovixError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  ~EKovixError() override;
};

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

class EKovixVAroriError : public EKovixError {
 public:
  using EKovixError::EKovixError;
  ~EKovixVAroriError() override;
};
