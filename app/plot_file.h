#pragma once

#include <iosfwd>

#include "app_core/command_line.h"

// `ravelon --plot OUT MODEL FILE`: the chart the window shows after opening FILE and pressing
// MODEL's button, written as a picture without a window. Needs a QApplication (the offscreen
// platform does).
//
// The picture is the chart at --size (logical pixels) and --scale (device pixels per logical
// pixel) with a caption line above it: the formula, the parameters and the goodness of fit as
// the window's labels show them (the file's name for MODEL none, the factor for the spline). A
// PNG holds the chart exactly as the window's host draws it; SVG and PDF get its shapes and
// texts as vectors. The file is written whole or not at all: into a new file beside it, then
// renamed over it.
//
// Returns the exit status: 0, or 1 after writing the message to `err` (the file, the fit or the
// picture failed; nothing is left behind).
int RunPlot(const CommandLine& request, std::ostream& err);
