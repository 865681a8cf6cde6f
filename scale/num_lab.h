#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/canvas.h"
#include "platform/color.h"
#include "platform/control.h"
#include "scale/num_lab_text.h"
#include "scale/scale_types.h"

// A window-less label that shows one number in a framed value box, with optional texts to its
// left and right. It composes its picture off screen and copies it in one go, so that frequent
// value updates do not flicker.
class TNumLab : public platform::Control {
 public:
  using TBeforeDisplayEvent = std::function<void(TNumLab& sender, std::string& text)>;

  TNumLab();

  double Value() const { return value_; }
  void SetValue(double value);
  TDisplay DisplayType() const { return text_.DisplayType; }
  void SetDisplayType(TDisplay type);
  // Digits or decimals, 0..15; negative values are ignored.
  int Precision() const { return text_.Precision; }
  void SetPrecision(int precision);
  // True: the value box is drawn without any text.
  bool Empty() const { return empty_; }
  void SetEmpty(bool empty);
  const std::string& LeftText() const { return leftText_; }
  void SetLeftText(const std::string& text);
  const std::string& RightText() const { return rightText_; }
  void SetRightText(const std::string& text);
  // x of the value box's left edge, 0..Width; negative values are ignored.
  int LeftSpace() const { return leftSpace_; }
  void SetLeftSpace(int leftSpace);
  // The value box spans LabelWidth + 2 pixels.
  int LabelWidth() const { return labelWidth_; }
  void SetLabelWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TAlignment LeftTextAlignment() const { return leftTextAlignment_; }
  void SetLeftTextAlignment(TAlignment alignment);
  TAlignment RightTextAlignment() const { return rightTextAlignment_; }
  void SetRightTextAlignment(TAlignment alignment);
  TFrameStyle FrameStyle() const { return frameStyle_; }
  void SetFrameStyle(TFrameStyle style);
  TColorScheme ColorScheme() const { return colorScheme_; }
  void SetColorScheme(TColorScheme scheme);
  platform::TColor ColorLabBakG() const { return colorLabBakG_; }
  void SetColorLabBakG(platform::TColor color);
  platform::TColor ColorLabText() const { return colorLabText_; }
  void SetColorLabText(platform::TColor color);
  platform::TColor ColorOutBakG() const { return colorOutBakG_; }
  void SetColorOutBakG(platform::TColor color);
  platform::TColor ColorOutText() const { return colorOutText_; }
  void SetColorOutText(platform::TColor color);
  // Decimal separator shown: "," when true, "." when false.
  bool Comma() const { return text_.Comma; }
  void SetComma(bool comma);
  bool ForcePlusSign() const { return text_.ForcePlusSign; }
  void SetForcePlusSign(bool force);
  const std::string& OverflowIndicator() const { return text_.OverflowIndicator; }
  void SetOverflowIndicator(const std::string& text);
  const std::string& StateText() const { return text_.StateText; }
  void SetStateText(const std::string& text);
  const std::string& DTFormat() const { return text_.DTFormat; }
  void SetDTFormat(const std::string& format);
  // True: the white parts of the picture let the parent's background show through.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  const platform::Font& Font() const { return font_; }
  void SetFont(const platform::Font& font);
  // Disabled texts are drawn etched in gray. Refreshes also when unchanged.
  void SetEnabled(bool enabled) override;

  // Copies the appearance and the value of another label, then repaints. Comma, ForcePlusSign,
  // DTFormat, Enabled and OnBeforeDisplay stay as they are.
  void Assign(const TNumLab& source);

  void Paint() override;

  void MouseDown(platform::TMouseButton button, platform::TShiftState shift, int x, int y) override;
  void MouseUp(platform::TMouseButton button, platform::TShiftState shift, int x, int y) override;
  void MouseMove(platform::TShiftState shift, int x, int y) override;
  void DblClick() override;

  // May rewrite the value text before it is shown.
  TBeforeDisplayEvent OnBeforeDisplay;
  std::function<void(TNumLab&)> OnClick;
  std::function<void(TNumLab&)> OnDblClick;
  std::function<void(TNumLab&, platform::TMouseButton, platform::TShiftState, int, int)>
      OnMouseDown;
  std::function<void(TNumLab&, platform::TMouseButton, platform::TShiftState, int, int)> OnMouseUp;
  std::function<void(TNumLab&, platform::TShiftState, int, int)> OnMouseMove;

 private:
  // Stores value in field and repaints when it changed.
  template <typename T>
  void Update(T& field, const T& value);
  void DrawSideText(platform::Canvas& canvas, int x, int y, const std::string& text);
  void DrawValueBox(platform::Canvas& canvas);
  void DrawValue(platform::Canvas& canvas, int y);
  void Output(platform::Canvas& screen);

  double value_ = 0.0;
  NumLabTextSettings text_;
  bool empty_ = false;
  std::string leftText_;
  std::string rightText_;
  int leftSpace_ = 35;
  int labelWidth_ = 80;
  TAlignment alignment_ = taCenter;
  TAlignment leftTextAlignment_ = taRightJustify;
  TAlignment rightTextAlignment_ = taLeftJustify;
  TFrameStyle frameStyle_ = fsLowered;
  TColorScheme colorScheme_ = csBWG;
  platform::TColor colorLabBakG_ = platform::clBtnFace;
  platform::TColor colorLabText_ = platform::clBlack;
  platform::TColor colorOutBakG_ = platform::clBtnFace;
  platform::TColor colorOutText_ = platform::clBlack;
  platform::TColor frameLineColor_ = platform::clBlack;
  platform::TColor shadowColor_ = 0x808080;
  platform::TColor highlightColor_ = 0xFFFFFF;
  bool transparent_ = false;
  platform::Font font_;
  bool leftButtonDown_ = false;
  std::unique_ptr<platform::Bitmap> bitmap_;
};
