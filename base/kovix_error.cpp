#include "base/kovix_error.h"

// An out-of-line destructor anchors the vtable in one translation unit.
EKovixError::~EKovixError() = default;
