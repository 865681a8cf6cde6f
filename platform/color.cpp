#include "platform/color.h"

#include <array>

namespace platform {

TColor ResolveColor(TColor c) {
  if (!IsSystemColor(c)) return c & 0x00FFFFFF;
  static constexpr std::array<TColor, 25> kSystem = {
      clSilver,            // clScrollBar
      RGB(0, 128, 128),    // clBackground
      RGB(0, 0, 128),      // clActiveCaption
      clGray,              // clInactiveCaption
      clSilver,            // clMenu
      clWhite,             // clWindow
      clBlack,             // clWindowFrame
      clBlack,             // clMenuText
      clBlack,             // clWindowText
      clWhite,             // clCaptionText
      clSilver,            // clActiveBorder
      clSilver,            // clInactiveBorder
      clGray,              // clAppWorkSpace
      RGB(0, 0, 128),      // clHighlight
      clWhite,             // clHighlightText
      clSilver,            // clBtnFace
      clGray,              // clBtnShadow
      clGray,              // clGrayText
      clBlack,             // clBtnText
      clSilver,            // clInactiveCaptionText
      clWhite,             // clBtnHighlight
      clBlack,             // cl3DDkShadow
      RGB(223, 223, 223),  // cl3DLight
      clBlack,             // clInfoText
      RGB(255, 255, 225),  // clInfoBk
  };
  const TColor index = c & 0xFF;
  return index < kSystem.size() ? kSystem[index] : clBlack;
}

}  // namespace platform
