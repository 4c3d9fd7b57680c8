#include "view/ViewZoom.h"

#include <algorithm>
#include <cmath>

namespace {

// The margin the fit leaves, the same as printing's and export's.
constexpr double kFitMargin = 2.05;

double halfPen(FitExtent extent)
{
    return std::isfinite(extent.penWidth) ? std::max(0.0f, extent.penWidth) / 2.0 : 0.0;
}

// How far a drawing of `side` may move from the centre of a view of `length`, either way: none
// beyond its edges when it is the larger, any distance when it is not.
double holdWithin(double offset, double side, double length)
{
    if (!(side > length))
        return offset;
    const double reach = (side - length) / 2;
    return std::clamp(offset, -reach, reach);
}

}

double ViewZoom::fitScale(const QSizeF& viewSize, FitExtent extent)
{
    const double narrower = std::min(viewSize.width(), viewSize.height());
    const double fit = (narrower / kFitMargin - halfPen(extent)) / static_cast<double>(extent.radius);
    // A radius of 0 or one that is not finite, or a view with no room beside the pen, has
    // nothing to fit into.
    if (!std::isfinite(fit) || fit <= 0)
        return 1.0;
    return std::min(fit, 1.0);
}

double ViewZoom::drawingSide(double scale, FitExtent extent)
{
    const double radius = std::isfinite(extent.radius) ? std::fabs(double(extent.radius)) : 0.0;
    return kFitMargin * (radius * scale + halfPen(extent));
}

double ViewZoom::scale(const QSizeF& viewSize, FitExtent extent) const
{
    return m_fitToWindow ? fitScale(viewSize, extent) : m_scale;
}

QPointF ViewZoom::heldOffset(const QPointF& offset, double scale, const QSizeF& viewSize, FitExtent extent)
{
    const double side = drawingSide(scale, extent);
    return {holdWithin(offset.x(), side, viewSize.width()), holdWithin(offset.y(), side, viewSize.height())};
}

QPointF ViewZoom::offset(const QSizeF& viewSize, FitExtent extent) const
{
    return m_fitToWindow ? QPointF() : heldOffset(m_offset, m_scale, viewSize, extent);
}

QRectF ViewZoom::drawingArea(const QSizeF& viewSize, FitExtent extent) const
{
    const double side = drawingSide(scale(viewSize, extent), extent);
    const QPointF centre = QPointF(viewSize.width() / 2, viewSize.height() / 2) + offset(viewSize, extent);
    return {centre - QPointF(side / 2, side / 2), QSizeF(side, side)};
}

void ViewZoom::setFitToWindow()
{
    m_fitToWindow = true;
    m_offset = {};
}

void ViewZoom::setActualSize()
{
    m_fitToWindow = false;
    m_scale = 1;
    m_offset = {};
}

void ViewZoom::zoomIn(const QSizeF& viewSize, FitExtent extent)
{
    zoomAbout(QPointF(), kStepFactor, viewSize, extent);
}

void ViewZoom::zoomOut(const QSizeF& viewSize, FitExtent extent)
{
    zoomAbout(QPointF(), 1 / kStepFactor, viewSize, extent);
}

void ViewZoom::zoomAbout(const QPointF& anchor, double factor, const QSizeF& viewSize, FitExtent extent)
{
    const double from = scale(viewSize, extent);
    // A fit may lie beyond the limits: a step in the wanted direction may only come back.
    const double to = factor < 1 ? std::max(from * factor, std::min(from, kMinimumScale))
                                 : std::min(from * factor, std::max(from, kMaximumScale));
    if (to == from)
        return;
    // The point under the anchor is anchor - offset at the old scale; it stays under the anchor.
    const QPointF offsetNow = offset(viewSize, extent);
    m_offset = heldOffset(anchor - (anchor - offsetNow) * (to / from), to, viewSize, extent);
    m_scale = to;
    m_fitToWindow = false;
}

void ViewZoom::pan(const QPointF& delta, const QSizeF& viewSize, FitExtent extent)
{
    if (!m_fitToWindow)
        m_offset = heldOffset(offset(viewSize, extent) + delta, m_scale, viewSize, extent);
}

bool ViewZoom::operator==(const ViewZoom& other) const
{
    return m_fitToWindow == other.m_fitToWindow
        && (m_fitToWindow || (m_scale == other.m_scale && m_offset == other.m_offset));
}
