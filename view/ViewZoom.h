#pragma once

// How the on-screen view scales and places a design: fitted to the window (shrunk to fit, never
// enlarged), or at a scale the user chose, moved by dragging and scrolling. Pen widths are not
// part of it: they stay in screen units at every scale.
//
// The drawing is the square a fit would fit into the view: the design's bounding circle with
// half the pen around it, and the fit's margin. A drawing larger than the view along an axis
// moves along it only until its edge meets the view's edge; a smaller one moves freely, as a
// small picture on a large desk is pushed about.

#include "art/ArtParameters.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

class ViewZoom
{
public:
    static constexpr double kMinimumScale = 1.0 / 64;
    static constexpr double kMaximumScale = 64;
    static constexpr double kStepFactor = 1.25;   // one Zoom In, one notch of the wheel

    // Shrinks a design into the view, if it does not fit, leaving the margin that printing and
    // export leave: its bounding circle and half the pen around it span 2 / 2.05 of the view's
    // narrower side. A design that fits is drawn at one unit per point.
    static double fitScale(const QSizeF& viewSize, FitExtent extent);
    // The side of the drawing's square at a scale: at the fit of a design that had to shrink,
    // the view's narrower side.
    static double drawingSide(double scale, FitExtent extent);

    bool fitsToWindow() const { return m_fitToWindow; }
    // The scale that curve units are drawn at in a view of this size.
    double scale(const QSizeF& viewSize, FitExtent extent) const;
    // Where the design's centre stands, relative to the view's centre: where it was put, held
    // within reach of the view's edges as the view or the design stands now.
    QPointF offset(const QSizeF& viewSize, FitExtent extent) const;
    // The drawing's square in the view's coordinates.
    QRectF drawingArea(const QSizeF& viewSize, FitExtent extent) const;

    void setFitToWindow();
    void setActualSize();
    // One step in or out from the scale shown now, about the view's centre.
    void zoomIn(const QSizeF& viewSize, FitExtent extent);
    void zoomOut(const QSizeF& viewSize, FitExtent extent);
    // Scales by `factor` keeping the design's point under `anchor` (relative to the view's centre)
    // where it is, as far as the edges allow. A scale beyond the limits is never moved further
    // out; a step that leaves the scale as it is changes nothing, a fit included.
    void zoomAbout(const QPointF& anchor, double factor, const QSizeF& viewSize, FitExtent extent);
    // Moves the design by `delta` view units, as far as the edges allow. Only a scale the user
    // chose moves: a fitted design stays centred.
    void pan(const QPointF& delta, const QSizeF& viewSize, FitExtent extent);

    bool operator==(const ViewZoom& other) const;
    bool operator!=(const ViewZoom& other) const { return !(*this == other); }

private:
    // `offset` held within reach of the edges, at `scale`.
    static QPointF heldOffset(const QPointF& offset, double scale, const QSizeF& viewSize, FitExtent extent);

    bool m_fitToWindow = true;
    double m_scale = 1;   // when not fitting
    // When not fitting: where the design was put. A design or view that has changed since may
    // hold it closer in (offset()); the next move starts from where it is shown.
    QPointF m_offset;
};
