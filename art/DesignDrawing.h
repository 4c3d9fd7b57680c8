#pragma once

// The drawing of one design up to its pens: the wheels over it, the trace, the fill, and the
// pens' lines made ready to stroke, each cut down to what can show in the picture. The pens are
// then stroked by whichever way the caller paints: with one painter (paintDesign), or in bands
// of an image on several threads (paintDesignInBands).

#include "art/DesignPainter.h"
#include "art/DrawingGeometry.h"
#include "art/PathClipping.h"
#include "art/PenStrokes.h"

#include <QImage>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

class QPainter;

class DesignDrawing
{
public:
    // `picture`: the part of the painter's coordinates that the picture covers; everything is
    // cut down to what can show there. An unbounded one cuts nothing.
    DesignDrawing(const ArtParameters& art, const QTransform& transform, const QRectF& picture,
                  const DrawingControl& control);

    // The wheels, the trace and, with `fillHere`, the fill. False when cancelled.
    bool paintUnderPens(QPainter& painter, bool fillHere);

    bool fills() const { return m_art.fillShape && m_percent >= 100; }

    // The fill outline in the painter's coordinates, mapped once for all that fill it. It
    // begins at the start point, so closing it returns there.
    PointSpan outline();
    // The fill outline cut down to what winds round the picture: as it is, when it reaches no
    // further than a picture's size beyond it.
    PointSpan pictureOutline();

    // Where the progress stands once the pens' strokes start.
    int strokesStartAt() const;

    // The pens of the whole curve so far, each from its first point.
    std::vector<PenStroke> wholePens();

    // Whether the pens go onto a layer that keeps the strokes of the frames before: a curve
    // growing on screen, frame by frame in a slow drawing (GrowingStrokes.h).
    bool growsOnALayer() const;
    // Makes the growing layer hold what this frame continues from, and returns the stretches
    // that are new since the frames before.
    std::vector<PenStroke> newStretches(const QImage& picture);
    // A layer cut short by a cancelled frame holds a stretch the next frame would skip.
    void forgetGrowingLayer();

    // The outcome of the drawing, finished.
    DrawingOutcome finished() const;

private:
    const TracedCurve& curve() const { return m_traced ? *m_traced : m_buffers.curve; }
    bool coloursAlong() const;
    QColor penColour(int pen) const;
    // The pen line's colour steps from point `from` on, each stroked as one line.
    std::vector<PenStroke> colourStepsFrom(std::size_t from);
    bool cutsToThePicture() const;
    // A stretch of a pen's line, cut down, where it leaves the picture, to the stretches that
    // cross it.
    PenStroke penStroke(const QColor& color, const Stretch& stretch);
    // The fill over the whole picture.
    void fillWhole(QPainter& painter);

    const ArtParameters& m_art;
    QTransform m_transform;
    QRectF m_picture;
    const DrawingControl& m_control;
    float m_percent;
    bool m_onScreen;
    DrawingBuffers m_ownBuffers;
    DrawingBuffers& m_buffers;
    const TracedCurve* m_traced;   // made beforehand; none: traced into m_buffers
    std::optional<MappedCurve> m_mapped;
    std::deque<ClippedPolyline> m_clipped;   // the points of the stretches that were cut
    QPolygonF m_clippedOutline;              // the fill outline, when it was cut
    DrawingOutcome m_outcome;
};
