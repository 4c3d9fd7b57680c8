#pragma once

// Drawing one design: the grey wheels on screen, the fill, and the pens over it, through a
// transform from curve space into a painter's coordinates. Every drawing of a design goes
// through here, on screen, on a page and into an image, on the main thread or a worker. It
// holds no state of its own: what a drawing may reuse (point buffers, a slow drawing's strokes
// so far) is handed in, and so is what may stop it.
//
// Here is the public face; the work lies in files by seam: one design's drawing up to its pens
// (DesignDrawing.h), the pens' strokes and runs (PenStrokes.h), the fill in bands of rows
// (FillBands.h), a picture split among threads (BandedPainting.h), the growing curve of a slow
// drawing (GrowingStrokes.h), the wheels drawn over it (DesignOverlays.h), and the geometry they
// all share: where points land and how far a pen reaches (DrawingGeometry.h).

#include "art/ArtParameters.h"
#include "art/Composition.h"
#include "art/CurveTrace.h"
#include "art/GrowingStrokes.h"

#include <QImage>
#include <QPointF>
#include <QTransform>

#include <atomic>
#include <cstddef>
#include <vector>

class QPainter;

// What a drawing keeps from one time to the next, for one caller at a time: the trace and its
// points mapped onto the picture, so that a long curve does not take fresh memory every time.
struct DrawingBuffers {
    TracedCurve curve;
    std::vector<QPointF> mapped;
};

struct DrawingControl {
    const std::atomic<bool>* cancelled = nullptr;   // checked between pieces of the work
    std::atomic<int>* percentDone = nullptr;         // how far the drawing has come, 0 to 100
    DrawingBuffers* buffers = nullptr;               // none: the drawing takes its own
    GrowingStrokes* growing = nullptr;               // none: a partial curve is stroked whole
    // The design's trace, made beforehand (with curveParameters, or a composition's budget for
    // it): the drawing traces nothing and only reads it. None: the drawing traces the design.
    const TracedCurve* traced = nullptr;
};

struct DrawingOutcome {
    bool finished = false;         // false: cancelled part way, and what was painted is no picture
    std::size_t pointCount = 0;    // of the curve, the start point not counted
    bool truncated = false;        // the curve stopped at the point budget
    // Of a composition: the first curve, by its place in the composition, whose trace was cut
    // short, at its own point budget or at what the curves before it left of the composition's;
    // -1 for none.
    int firstCutCurve = -1;
};

// The most points a composition's visible curves take in all, beside each curve's own budget
// (kTracePointBudget): drawn first to last, the curves that come after it are cut as one curve
// is cut at its own, the first where the budget runs out, and those after it have no point.
constexpr std::size_t kCompositionPointBudget = 4 * kTracePointBudget;

// Draws a design with `painter`, through `transform` (curve space to the painter's coordinates),
// in the order the view paints: the anchor overlay, the runner overlay, the fill, the pens.
DrawingOutcome paintDesign(QPainter& painter, const ArtParameters& art, const QTransform& transform,
                           const DrawingControl& control = {});

// As paintDesign, onto an image of its own, with the pens stroked by `bands` threads, each into
// its own rows of the picture, sooner. Into premultiplied ARGB, wide pens and the fill are laid
// on by the image's own rasteriser (art/ImageRasteriser.h): the same shapes as the painter's,
// their antialiased edges shaded a little differently. Any number of bands paints the same
// pixels, but for a level where an edge reaching across the bands' border is cut there.
DrawingOutcome paintDesignInBands(QImage& image, const ArtParameters& art, const QTransform& transform,
                                  int bands, const DrawingControl& control = {});

// Draws every visible curve of a composition, first to last, each turned through its own turn
// and then through `transform`; the wheels only of `overlayCurve` (the selected one), when its
// design shows them. Each curve is traced within the budget curveParameters(composition) gives
// it. The outcome counts the points of all, and names the first curve that was cut.
DrawingOutcome paintComposition(QPainter& painter, const Composition& composition, const QTransform& transform,
                                int overlayCurve, const DrawingControl& control = {});

// Adds the outcome of curve `index` of a composition to the whole's.
void addCurveOutcome(DrawingOutcome& whole, const DrawingOutcome& curve, int index);

// Traces a design as a drawing does, ready for `DrawingControl::traced`: false, and no point,
// when cancelled.
bool traceForDrawing(const CurveParameters& parameters, TracedCurve& into, const std::atomic<bool>* cancelled);

// The transform of a whole composition fitted into an area of width × height: centred, its
// reach and its widest pen (fitExtent) within the fit.
QTransform fittedTransform(const FitExtent& extent, float width, float height, bool mayEnlarge);

// Makes the drawing context's fill colour the art's and fills the outline, given in the
// painter's coordinates, with the non-zero winding rule. Nothing without a fill colour.
void fillOutline(QPainter& painter, const QColor& color, const QPointF* points, std::size_t count);

// What tracing takes of a design: its wheels, revolutions, how much is drawn, grease, colours
// and closing.
CurveParameters curveParameters(const ArtParameters& art);

// What tracing takes of each curve of a composition, one for each curve in its place: its own
// parameters, with the budget that the visible curves before it leave of
// kCompositionPointBudget. A curve that fits in what is left keeps its own budget, so that a
// change of an earlier curve changes a later one's parameters only when it cuts it. A hidden
// curve takes no point of the budget.
std::vector<CurveParameters> curveParameters(const Composition& composition);

// The transform of a design fitted into an area of width × height, as print and image export
// draw it: centred, scaled by fitFactor with room for the pen (enlarging only in image export
// with allowScaleUp).
QTransform fittedTransform(const ArtParameters& art, float width, float height);

// The work a drawing of these parameters takes, in points stroked: what decides whether it is
// small enough to do at once, in the same frame.
std::size_t drawingWork(const ArtParameters& art);
// The same for a design traced with `traced` (its budget): as cut, a curve costs less.
std::size_t drawingWork(const ArtParameters& art, const CurveParameters& traced);
