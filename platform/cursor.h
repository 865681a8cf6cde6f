#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Application-wide cursors by number: the standard arrow and cross, and the program's own.
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crHand = 1;   // "CURHAND"
inline constexpr TCursor crZoomW = 2;  // "CURZOOMW"
inline constexpr TCursor crZoomD = 3;  // "CURZOOMD"
inline constexpr TCursor crZoomP = 4;  // "CURZOOMP"

// A cursor picture: one byte per pixel, row by row.
struct CursorImage {
  enum Pixel : std::uint8_t { Transparent = 0, Black = 1, White = 2 };
  std::string Name;
  int Width = 0;
  int Height = 0;
  int HotX = 0;
  int HotY = 0;
  std::vector<std::uint8_t> Pixels;
  Pixel At(int x, int y) const { return Pixel(Pixels[std::size_t(y * Width + x)]); }
};

// The picture of one of the program's own cursors 1..4; throws std::out_of_range otherwise.
const CursorImage& CustomCursorImage(TCursor cursor);

// The cursor shown over all windows of the program. The toolkit layer installs the backend
// that puts it on the screen; without one only the number is kept.
TCursor ScreenCursor();
void SetScreenCursor(TCursor cursor);
using CursorBackend = std::function<void(TCursor)>;
void SetCursorBackend(CursorBackend backend);

}  // namespace platform
