#pragma once

#include <cstdint>

#include "platform/color.h"
#include "platform/graphics.h"

// Enumerations and the display-list record of the chart.

enum TShadowStyle { ssFlying, ssBox };

enum GridStyleType {
  gsNone,
  gsPoints,
  gsVertLines,
  gsHorizLines,
  gsLines,
  gsVertDotLines,
  gsHorizDotLines,
  gsDotLines,
};

enum TCaptionAnchorHoriz {
  cahControlLeft,
  cahChartLeft,
  cahChartCenter,
  cahChartRight,
  cahControlRight,
};

enum TCaptionAnchorVert {
  cavControlTop,
  cavChartTop,
  cavChartCenter,
  cavChartBottom,
  cavControlBottom,
};

enum TrcLayout {
  rcl_X1Bottom_Y1Left,
  rcl_X1Bottom_Y2Left,
  rcl_X1Bottom_Y3Left,
  rcl_X1Bottom_Y4Left,
  rcl_X1Bottom_Y2Both,
  rcl_X2Bottom_Y2Left,
  rcl_X2Both_Y2Both,
};

enum TMouseActMode {
  maNone,
  maPan,
  maPanHoriz,
  maPanVert,
  maRubberBand,
  maZoom,
  maZoomWind,
  maZoomWindPos,
  maZoomDrag,
  maDragCrossH,
  maDragLabel,
  maRotate,
  maRotAndZoom,
  maRotXOnly,
  maRotZOnly,
};

enum TCrossHMode { chOff, chHoriz, chVert, chBoth, chBox };

enum TBkgFill { bfSimple, bfStretch, bfTile };

enum TBGAreaMode { bamNone, bamLeft, bamRight, bamTop, bamBottom, bamVStripe, bamHStripe, bamRect };

enum TTextBkg { tbClear, tbFilled };

enum TScaleLocation { slTop, slBottom, slLeft, slRight };

// Display-list item kinds; the numbers are compared by callers.
enum ChartItemKind : std::uint8_t { ikNone = 0, ikMark = 1, ikLine = 3, ikMove = 8 };

struct ChartItem {
  double X = 0;
  double Y = 0;
  platform::TColor Color = 0;
  platform::TColor FillColor = 0;
  std::uint8_t PenStyle = 0;
  std::int32_t LineWidth = 0;
  std::uint8_t ClassNumber = 0;
  std::uint8_t Kind = ikNone;
  std::int32_t Layer = 0;
  std::uint8_t MarkType = 0;
};

inline constexpr int kNumLayers = 16;
