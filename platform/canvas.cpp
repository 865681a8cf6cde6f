#include "platform/canvas.h"

#include <stdexcept>

namespace platform {

namespace {
BitmapFactory& Factory() {
  static BitmapFactory factory;
  return factory;
}
}  // namespace

void SetBitmapFactory(BitmapFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<Bitmap> CreateBitmap(int width, int height) {
  if (!Factory()) throw std::logic_error("CreateBitmap: no bitmap implementation installed");
  return Factory()(width, height);
}

}  // namespace platform
