#include "chart/varori_error.h"

// An out-of-line destructor anchors the vtable in one translation unit.
EKovixVAroriError::~EKovixVAroriError() = default;
