#pragma once

// Stroking a pen's line: thin lines in long pieces, wide opaque ones in short runs that meet at
// every join, translucent ink in runs that meet end to end, or, where the painter does not
// rasterise (a printer, a PDF), each pen as one line. Pieces that cannot reach what the target
// paints are left out, and between pieces the drawing may stop.

#include "art/DrawingGeometry.h"

#include <QColor>
#include <QRectF>

#include <cstddef>
#include <vector>

class ImageRasteriser;
class QPainter;
class StrokeProgress;
struct DrawingControl;

// Some consecutive points of a pen's line, the first being point `offset` of the whole line.
struct Stretch {
    PointSpan points;
    std::size_t offset = 0;
};

// A pen's line as it is stroked: one stretch, or, where the line leaves the picture, the
// stretches that cross it.
struct PenStroke {
    QColor color;
    std::vector<Stretch> stretches;
    // Translucent ink: stroked in runs that meet end to end, never overlapping, so that where
    // the line crosses another run of itself the colour deepens, on every device.
    bool ink = false;

    std::size_t pointCount() const;
};

// The points of all the pens' lines.
std::size_t pointsToStroke(const std::vector<PenStroke>& pens);

// Where strokes go: a painter, the part of its coordinates that it paints (outside which a
// piece of a line is left out), and the whole picture, which sets the widest pen. Wide pens go
// through the rasteriser, when there is one: the painter's image's, over the same rows.
struct StrokeTarget {
    QPainter* painter;
    QRectF shown;
    QRectF picture;
    ImageRasteriser* raster = nullptr;
};

// Strokes the pens, `width` wide, one after another. False when the drawing was cancelled
// part way.
bool strokePens(const StrokeTarget& target, const std::vector<PenStroke>& pens, float width,
                const DrawingControl& control, StrokeProgress* progress);
