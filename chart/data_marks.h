#pragma once

#include <cstdint>

#include "platform/canvas.h"

// Draws data mark `markType` centred on pixel (x, y): shapes 0..51 in the canvas's pen colour,
// 52..255 as a character in the canvas font (200..209 as the digits 0..9). The brush colour is
// kept; the brush style is left as each shape's drawing rule leaves it, so callers that need a
// given style set it before their next figure.
void DrawMark(platform::Canvas& canvas, std::uint8_t markType, int x, int y);
