#pragma once

// The picture as an SVG drawing for pen plotters and vector editors: the page in millimetres, the
// layers of the plotted drawing (PlotDrawing.h) in painting order, and the design's text in the
// metadata. Points lie on the page as the plotter takes them. A pen's lines go into path
// elements of at most kMaxPointsPerPiece points, which every SVG reader takes, each long line
// going on from one to the next unbroken; a fill is one element, filled by the non-zero rule.
// A gradient's steps and a translucent ink's pieces are each an element of their own, with its
// colour and opacity, one taking up where the one before ended, in one layer for the curve
// ("3 gradient Curve 2").
// Layers are the pens (PlotByPen.h), labelled as plotter tools read them: "1 pen 1 #ff0000",
// "2 pen 2 #0066cc" (the layer's place in plotting order, the pen, one for each distinct
// colour, then the colour), each holding every curve's lines in that colour; with several
// curves each path element has its curve's name as its title. "% fill #ffff00 Curve 3", which
// those tools skip, is hidden; so is "% background #rrggbb" skipped, but shown as the paper.

#include "art/Composition.h"
#include "output/ExportProgress.h"

class QIODevice;
struct VectorExportSettings;

// Writes `design` (an export's: see exportedComposition) as an SVG document to `device`, a large
// chunk at a time, on any thread. False when the device refuses a write, or when `control`
// cancels it.
bool writeSvg(QIODevice& device, const Composition& design, const VectorExportSettings& settings,
              const OutputControl& control = {});
