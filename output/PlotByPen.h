#pragma once

// The plotted drawing gathered as a plotter draws it: a layer for each pen, holding every line
// drawn with it, curve after curve, so that the user changes pens only as often as the picture
// has colours. The layers no pen draws (the background, the solid fills) come first, each as it
// was plotted; a gradient stays a layer of its own, where it is first drawn among the pens.

#include "output/PlotDrawing.h"

#include <functional>
#include <vector>

struct PenGroup {
    PlotLayer layer;                   // a pen's names no curve: its lines serve them all
    std::vector<PlottedLayer> parts;   // what each curve draws in it, in drawing order, in its own colour
};

// Hands each gathered layer of `design` to `take`, in the order above, once the whole drawing is
// plotted. False as plotDrawing is, or as soon as `take` returns false.
bool plotByPen(const Composition& design, const PlotOptions& options, const OutputControl& control,
               const std::function<bool(PenGroup&)>& take);
