#include "platform/canvas.h"

#include <stdexcept>

namespace platform {

namespace {
BitmapFactory& Factory() {
  static BitmapFactory factory;
  return factory;
}
}  // namespace

void Canvas::DrawAnd(int x, int y, const Bitmap& bitmap) {
  // Only reads the bitmap's pixels; its canvas accessor is not const.
  const Canvas& source = const_cast<Bitmap&>(bitmap).GetCanvas();
  for (int j = 0; j < bitmap.Height(); ++j) {
    for (int i = 0; i < bitmap.Width(); ++i) {
      SetPixel(x + i, y + j,
               ResolveColor(GetPixel(x + i, y + j)) & ResolveColor(source.GetPixel(i, j)));
    }
  }
}

void SetBitmapFactory(BitmapFactory factory) {
  Factory() = std::move(factory);
}

std::unique_ptr<Bitmap> CreateBitmap(int width, int height) {
  if (!Factory()) throw std::logic_error("CreateBitmap: no bitmap implementation installed");
  return Factory()(width, height);
}

}  // namespace platform
