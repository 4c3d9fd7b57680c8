#pragma once

// How the on-screen view scales and places a design: fitted to the window (shrunk to fit, never
// enlarged), or at a scale the user chose, moved by dragging. Pen widths are not part of it:
// they stay in screen units at every scale.

#include <QPointF>
#include <QSizeF>

// What a fit must hold: the design's bounding radius in curve units, and the pen's width
// around it in view units, which no zoom scales.
struct FitExtent {
    float radius = 0;
    float penWidth = 0;
};

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

    bool fitsToWindow() const { return m_fitToWindow; }
    // The scale that curve units are drawn at in a view of this size.
    double scale(const QSizeF& viewSize, FitExtent extent) const;
    // Where the design's centre stands, relative to the view's centre.
    QPointF offset() const { return m_fitToWindow ? QPointF() : m_offset; }

    void setFitToWindow();
    void setActualSize();
    // One step in or out from the scale shown now, about the view's centre.
    void zoomIn(const QSizeF& viewSize, FitExtent extent);
    void zoomOut(const QSizeF& viewSize, FitExtent extent);
    // Scales by `factor` keeping the design's point under `anchor` (relative to the view's centre)
    // where it is.
    void zoomAbout(const QPointF& anchor, double factor, const QSizeF& viewSize, FitExtent extent);
    // Moves the design by `delta` view units. Only a scale the user chose moves: a fitted design
    // stays centred.
    void pan(const QPointF& delta);

    bool operator==(const ViewZoom& other) const;
    bool operator!=(const ViewZoom& other) const { return !(*this == other); }

private:
    bool m_fitToWindow = true;
    double m_scale = 1;   // when not fitting
    QPointF m_offset;     // when not fitting
};
