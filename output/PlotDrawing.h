#pragma once

// A picture as a pen plotter draws it, whatever file it goes into: layer after layer of
// polylines in millimetres on the page. Each visible curve, first to last, gives its fill (a
// solid area, lines of hatching drawn with the fill's pen, or nothing) and then its pens, each
// pen's stretch one line. A curve coloured along its length gives one gradient layer instead, a
// short path for each colour step, each going on from where the one before ended. A translucent
// ink is plotted in pieces of at most kMostPointsPerInkPiece traced points, each stroked apart,
// so that where the line crosses another piece of itself the colour deepens, as on screen; an
// opaque pen stays one line. Points are turned as their curve is, fitted onto the page, left out
// where they are not finite, and thinned by deviation within the tolerance; hatching lines are
// put in the order that keeps the pen's travel short. The curves are traced within the point
// budgets that the window draws them with (see firstCutCurve). One curve is traced at a time, so a
// picture of many long curves is never in memory at once. Each stretch stroked apart is thinned
// on its own, so that it still begins and ends where it did. A background comes first, a layer
// of its own filling the whole page, which no pen plots.

#include "art/Composition.h"
#include "output/ExportProgress.h"
#include "output/PenLayers.h"
#include "output/PlotOptions.h"

#include <QList>
#include <QPolygonF>

#include <cstddef>
#include <functional>
#include <vector>

// The traced points of a piece of translucent ink, at the most: the screen strokes ink in pieces
// of as many, and crossings within a piece do not deepen.
constexpr std::size_t kMostPointsPerInkPiece = 256;

struct PlottedLayer {
    PlotLayer layer;          // a solid fill's kind is Fill; a colour gradient's Gradient; hatching
                              // and pens are Pen layers; the page's background is Background
    QList<QPolygonF> paths;   // in page millimetres: a pen draws them in this order; a fill's
                              // outline is filled by the non-zero rule, the last point joining the first
    QList<QColor> pathColours;   // a gradient's, one for each path; empty: each has the layer's colour
    bool strokedApart = false;   // each path a stroke of its own, not one stroke of them all

    QColor colourOf(qsizetype path) const { return pathColours.isEmpty() ? layer.colour : pathColours[path]; }
};

// Whether the layers of `design` name their curve: when more than one curve shows.
bool namesCurves(const Composition& design);

// Hands each layer of `design` (an export's: see exportedComposition) plotted with `options` to
// `take`, in the order they are drawn; a layer with no point to draw is not handed on. False as
// soon as `take` returns false, the tracing fails, hatching is refused, or `control` cancels.
// The options must be ones that optionRefusals accepts.
bool plotDrawing(const Composition& design, const PlotOptions& options, const OutputControl& control,
                 const std::function<bool(PlottedLayer&)>& take);

// The first visible curve of `design` that plotDrawing cuts short, by its place, as the window
// cuts it: at its own point budget or at what the curves before it left of the composition's;
// -1 for none.
int firstCutCurve(const Composition& design);

// What plotting costs one pen, or one gradient.
struct PenTally {
    QColor colour;       // a gradient's first
    PlotLength length;   // pen down and pen up, from the page's top left corner, over all its layers
    int gradientColours = 0;   // a gradient's distinct colours, each a pen's worth; 0 for a pen
};

// What the picture costs pen by pen, in the order of the pens' numbers, as plotDrawing draws it;
// each gradient is an entry of its own, where it is drawn among them. Empty when cancelled.
// `seen`, when given, sees every layer plotted, a solid fill's too, as it is plotted.
std::vector<PenTally> plotCost(const Composition& design, const PlotOptions& options, const OutputControl& control = {},
                               const std::function<void(const PlottedLayer&)>& seen = {});
