#pragma once

#include <string>

#include "platform/color.h"

namespace platform {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Right and bottom are exclusive, as everywhere on the canvas.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmCopy, pmXor };
enum TBrushStyle { bsSolid, bsClear };

struct Pen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  friend bool operator==(const Pen&, const Pen&) = default;
};

struct Brush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  friend bool operator==(const Brush&, const Brush&) = default;
};

// Font style bits.
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// Height is the character height in pixels at PixelsPerInch; Size is the same in points.
struct Font {
  std::string Name = "Arial";
  int Height = 13;
  TColor Color = clBlack;
  unsigned Style = 0;
  int PixelsPerInch = 96;

  int Size() const { return (Height * 72 + PixelsPerInch / 2) / PixelsPerInch; }
  void SetSize(int points) { Height = (points * PixelsPerInch + 36) / 72; }
  friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace platform
