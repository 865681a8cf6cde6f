#pragma once

// Enumerations shared by the scales, the chart and the numeric label.

// Where the axis lies and on which side its ticks and labels go.
enum TScaleType {
  sctXB,  // horizontal, base line at the bottom, ticks and labels above it
  sctXT,  // horizontal, base line at the top, ticks and labels below it
  sctYL,  // vertical, base line at the left, ticks and labels to its right
  sctYR,  // vertical, base line at the right, ticks and labels to its left
};

constexpr bool IsVerticalScale(TScaleType t) {
  return t == sctYL || t == sctYR;
}

// What the tick labels show.
enum TFigType { ftNoFigs, ftNum, ftTime, ftDateTime, ftUserText };

enum TFrameStyle { fsNone, fsSimple, fsLowered, fsRaised, fsEmbossed, fsEngraved };

// Frame colours: fixed gray and white, or the system's button shadow and highlight.
enum TColorScheme { csBWG, csSystem };

// Anchor of the axis caption along the scale.
enum TScaleUnitAnchor { uaSclTopLft, uaSclCenter, uaSclBotRgt };

// Which point of a text sits at its anchor.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
