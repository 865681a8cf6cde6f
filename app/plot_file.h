#pragma once

#include <iosfwd>

#include <QImage>
#include <string>

#include "app_core/command_line.h"
#include "app_core/model_table.h"
#include "chart/varori.h"

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

// The caption line of a fitted model's picture: the formula, the parameters and the goodness of
// fit as the window's labels show them; for the spline its smoothing factor.
std::string ModelCaption(const ModelRow& row, const std::string& formula, const std::string& params,
                         double fitQual);

// The chart (set up, its items added) under a caption line at `scale` device pixels per logical
// pixel, as the PNG of --plot holds it. Releases the chart's painting hold.
QImage ChartPictureImage(TVArori& chart, const std::string& caption, double scale);

// Writes that picture to `path`: PNG at `scale`, SVG or PDF (vector shapes and texts) by the
// extension. Written whole or not at all; throws "Die Datei "PATH" konnte nicht geschrieben
// werden: …" (std::invalid_argument for another extension, std::runtime_error for the file).
void WriteChartPicture(TVArori& chart, const std::string& caption, const std::string& path,
                       double scale);
