#pragma once

#include <cstdint>

namespace platform {

// 32 bits: red in the low byte, then green, then blue. System colours are 0xFF000000 plus the
// system colour index and become real colours only when drawn (ResolveColor).
using TColor = std::uint32_t;

constexpr TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr std::uint8_t RedOf(TColor c) {
  return std::uint8_t(c & 0xFF);
}
constexpr std::uint8_t GreenOf(TColor c) {
  return std::uint8_t((c >> 8) & 0xFF);
}
constexpr std::uint8_t BlueOf(TColor c) {
  return std::uint8_t((c >> 16) & 0xFF);
}

// The 16 standard colours.
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

// System colours.
inline constexpr TColor kSystemColorBit = 0xFF000000;
inline constexpr TColor clScrollBar = kSystemColorBit | 0;
inline constexpr TColor clBackground = kSystemColorBit | 1;
inline constexpr TColor clActiveCaption = kSystemColorBit | 2;
inline constexpr TColor clInactiveCaption = kSystemColorBit | 3;
inline constexpr TColor clMenu = kSystemColorBit | 4;
inline constexpr TColor clWindow = kSystemColorBit | 5;
inline constexpr TColor clWindowFrame = kSystemColorBit | 6;
inline constexpr TColor clMenuText = kSystemColorBit | 7;
inline constexpr TColor clWindowText = kSystemColorBit | 8;
inline constexpr TColor clCaptionText = kSystemColorBit | 9;
inline constexpr TColor clActiveBorder = kSystemColorBit | 10;
inline constexpr TColor clInactiveBorder = kSystemColorBit | 11;
inline constexpr TColor clAppWorkSpace = kSystemColorBit | 12;
inline constexpr TColor clHighlight = kSystemColorBit | 13;
inline constexpr TColor clHighlightText = kSystemColorBit | 14;
inline constexpr TColor clBtnFace = kSystemColorBit | 15;
inline constexpr TColor clBtnShadow = kSystemColorBit | 16;
inline constexpr TColor clGrayText = kSystemColorBit | 17;
inline constexpr TColor clBtnText = kSystemColorBit | 18;
inline constexpr TColor clInactiveCaptionText = kSystemColorBit | 19;
inline constexpr TColor clBtnHighlight = kSystemColorBit | 20;
inline constexpr TColor cl3DDkShadow = kSystemColorBit | 21;
inline constexpr TColor cl3DLight = kSystemColorBit | 22;
inline constexpr TColor clInfoText = kSystemColorBit | 23;
inline constexpr TColor clInfoBk = kSystemColorBit | 24;

constexpr bool IsSystemColor(TColor c) {
  return (c & kSystemColorBit) == kSystemColorBit;
}

// A plain RGB colour for any TColor: system colours map to a fixed classic scheme so that
// pictures do not depend on the desktop theme.
TColor ResolveColor(TColor c);

}  // namespace platform
