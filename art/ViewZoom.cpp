#include "art/ViewZoom.h"

#include <algorithm>
#include <cmath>

namespace {

// The margin the fit leaves, the same as printing's and export's.
constexpr double kFitMargin = 2.05;

}

double ViewZoom::fitScale(const QSizeF& viewSize, FitExtent extent)
{
    const double narrower = std::min(viewSize.width(), viewSize.height());
    const double halfPen = std::isfinite(extent.penWidth) ? std::max(0.0f, extent.penWidth) / 2.0 : 0.0;
    const double fit = (narrower / kFitMargin - halfPen) / static_cast<double>(extent.radius);
    // A radius of 0 or one that is not finite, or a view with no room beside the pen, has
    // nothing to fit into.
    if (!std::isfinite(fit) || fit <= 0)
        return 1.0;
    return std::min(fit, 1.0);
}

double ViewZoom::scale(const QSizeF& viewSize, FitExtent extent) const
{
    return m_fitToWindow ? fitScale(viewSize, extent) : m_scale;
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
    const double to = std::clamp(from * factor, kMinimumScale, kMaximumScale);
    // The point under the anchor is anchor - offset at the old scale; it stays under the anchor.
    const QPointF offsetNow = offset();
    m_offset = anchor - (anchor - offsetNow) * (to / from);
    m_scale = to;
    m_fitToWindow = false;
}

void ViewZoom::pan(const QPointF& delta)
{
    if (!m_fitToWindow)
        m_offset += delta;
}

bool ViewZoom::operator==(const ViewZoom& other) const
{
    return m_fitToWindow == other.m_fitToWindow
        && (m_fitToWindow || (m_scale == other.m_scale && m_offset == other.m_offset));
}
