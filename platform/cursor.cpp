#include "platform/cursor.h"

#include <array>
#include <cstdlib>
#include <stdexcept>

namespace platform {

namespace {

CursorImage FromRows(std::string name, int hotX, int hotY, const std::vector<std::string>& rows) {
  CursorImage image;
  image.Name = std::move(name);
  image.Height = int(rows.size());
  image.Width = int(rows.front().size());
  image.HotX = hotX;
  image.HotY = hotY;
  for (const auto& row : rows)
    for (char c : row)
      image.Pixels.push_back(c == 'X'   ? CursorImage::Black
                             : c == 'o' ? CursorImage::White
                                        : CursorImage::Transparent);
  return image;
}

CursorImage Hand() {
  return FromRows("CURHAND", 8, 8,
                  {
                      ".......XX.......",
                      "...XX.XooXXX....",
                      "..XooXXooXooX...",
                      "..XooXXooXooX.X.",
                      "...XooXooXooXXoX",
                      "...XooXooXooXooX",
                      ".XX.XoooooooXooX",
                      "XooXXooooooooooX",
                      "XoooXoooooooooX.",
                      ".XooooooooooooX.",
                      "..XoooooooooooX.",
                      "..XooooooooooX..",
                      "...XoooooooooX..",
                      "....XooooooooX..",
                      ".....XoooooooX..",
                      ".....XXXXXXXXX..",
                  });
}

// A magnifier with a sign in its glass: 'W' a small frame, 'D' a minus, 'P' a plus.
CursorImage Magnifier(std::string name, char sign) {
  constexpr int kSize = 20;
  constexpr int kCenter = 7;
  std::vector<std::string> rows(kSize, std::string(kSize, '.'));
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const int dx = x - kCenter;
      const int dy = y - kCenter;
      const int d2 = dx * dx + dy * dy;
      if (d2 <= 30)
        rows[std::size_t(y)][std::size_t(x)] = 'o';
      else if (d2 <= 56)
        rows[std::size_t(y)][std::size_t(x)] = 'X';
    }
  }
  for (int i = 12; i < kSize; ++i) {
    for (int w = -1; w <= 1; ++w) {
      const int x = i + w;
      if (x >= 0 && x < kSize) rows[std::size_t(i)][std::size_t(x)] = 'X';
    }
  }
  auto set = [&](int x, int y) { rows[std::size_t(y)][std::size_t(x)] = 'X'; };
  switch (sign) {
    case 'P':
      for (int i = 4; i <= 10; ++i) set(i, kCenter), set(kCenter, i);
      break;
    case 'D':
      for (int i = 4; i <= 10; ++i) set(i, kCenter);
      break;
    default:
      for (int i = 4; i <= 10; ++i) set(i, 5), set(i, 9);
      for (int i = 5; i <= 9; ++i) set(4, i), set(10, i);
      break;
  }
  return FromRows(std::move(name), kCenter, kCenter, rows);
}

TCursor& Current() {
  static TCursor cursor = crDefault;
  return cursor;
}

CursorBackend& Backend() {
  static CursorBackend backend;
  return backend;
}

}  // namespace

const CursorImage& CustomCursorImage(TCursor cursor) {
  static const std::array<CursorImage, 4> images = {
      Hand(),
      Magnifier("CURZOOMW", 'W'),
      Magnifier("CURZOOMD", 'D'),
      Magnifier("CURZOOMP", 'P'),
  };
  if (cursor < crHand || cursor > crZoomP)
    throw std::out_of_range("CustomCursorImage: no cursor " + std::to_string(cursor));
  return images[std::size_t(cursor - crHand)];
}

TCursor ScreenCursor() {
  return Current();
}

void SetScreenCursor(TCursor cursor) {
  if (cursor == Current()) return;
  Current() = cursor;
  if (Backend()) Backend()(cursor);
}

void SetCursorBackend(CursorBackend backend) {
  Backend() = std::move(backend);
  if (Backend()) Backend()(Current());
}

}  // namespace platform
