#pragma once

#include "chart/varori.h"

// The chart as the main window shows it: margins, fonts, colours, grid, the first x and y scale
// from 0 to 10 with the window's ticks, the other layers' scales hidden. The window and the
// picture written by `ravelon --plot` set their charts up alike.
void SetUpMainChart(TVArori& c);
