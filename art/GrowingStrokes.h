#pragma once

// The strokes of a curve growing frame by frame, as a slow drawing shows it on screen: each frame
// strokes only its new stretch onto a layer that keeps what the frames before left. A partial
// curve is an exact prefix of a longer one of the same design, so what the layer holds stays
// right as long as the design, the transform and the picture stay the same and the curve does
// not shrink.

#include "art/ArtParameters.h"

#include <QImage>
#include <QTransform>

#include <array>
#include <cstddef>
#include <optional>

class TracedCurve;

// What a growing curve keeps from one frame to the next, for one caller at a time.
struct GrowingStrokes {
    QImage layer;
    ArtParameters design;
    QTransform transform;
    std::array<std::size_t, 3> strokedPoints{};
};

// Whether a drawing of `art` traced as `curve` grows on a layer: part of its curve on screen,
// every point finite, and its pens opaque (a translucent pen is stroked whole, as one line,
// or its overlaps would darken).
bool growsOnALayer(const ArtParameters& art, const TracedCurve& curve);

// Makes `growing` hold what this frame continues from (a fresh, transparent layer of the
// picture's size when what it held no longer fits), counts the first `pens` pens' lines as
// stroked to their ends, and returns for each the point from which this frame strokes: the last
// point stroked before, a wide pen's one segment back, so that the join with the strokes already
// there is drawn. None for a pen with nothing new.
std::array<std::optional<std::size_t>, 3> growOnLayer(GrowingStrokes& growing, const QImage& picture,
                                                      const ArtParameters& art, const QTransform& transform,
                                                      const TracedCurve& curve, int pens);
