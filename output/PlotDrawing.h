#pragma once

// A picture as a pen plotter draws it, whatever file it goes into: layer after layer of
// polylines in millimetres on the page. Each visible curve, first to last, gives its fill (a
// solid area, lines of hatching drawn with the fill's pen, or nothing) and then its pens, each
// pen's stretch one line. Points are turned as their curve is, fitted onto the page, left out
// where they are not finite, and thinned by deviation within the tolerance; hatching lines are
// put in the order that keeps the pen's travel short. One curve is traced at a time, so a
// picture of many long curves is never in memory at once.

#include "art/Composition.h"
#include "output/ExportProgress.h"
#include "output/PenLayers.h"
#include "output/PlotOptions.h"

#include <QList>
#include <QPolygonF>

#include <functional>
#include <vector>

struct PlottedLayer {
    PlotLayer layer;          // a solid fill's kind is Fill; hatching and pens are Pen layers
    QList<QPolygonF> paths;   // in page millimetres: a pen draws them in this order; a fill's
                              // outline is filled by the non-zero rule, the last point joining the first
};

// Whether the layers of `design` name their curve: when more than one curve shows.
bool namesCurves(const Composition& design);

// Hands each layer of `design` (an export's: see exportedComposition) plotted with `options` to
// `take`, in the order they are drawn; a layer with no point to draw is not handed on. False as
// soon as `take` returns false, the tracing fails, hatching is refused, or `control` cancels.
// The options must be ones that optionRefusals accepts.
bool plotDrawing(const Composition& design, const PlotOptions& options, const OutputControl& control,
                 const std::function<bool(PlottedLayer&)>& take);

// What plotting costs one pen.
struct PenTally {
    QColor colour;
    PlotLength length;   // pen down and pen up, from the page's top left corner, over all its layers
};

// What the picture costs pen by pen, in the order of the pens' numbers, as plotDrawing draws it.
// Empty when cancelled.
std::vector<PenTally> plotCost(const Composition& design, const PlotOptions& options, const OutputControl& control = {});
