#include "fit/kovix_errors.h"

// Out-of-line destructors anchor the vtables in one translation unit.
EKovixMath2Error::~EKovixMath2Error() = default;
EKovixMatrixError::~EKovixMatrixError() = default;
EKovixVectorError::~EKovixVectorError() = default;
