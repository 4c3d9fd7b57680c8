#include "art/FillBands.h"

#include "art/DesignPainter.h"
#include "art/DrawingProgress.h"
#include "art/PathClipping.h"
#include "art/UpperVectorState.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// How far beyond a band its outline is kept as it is: a cut this far out changes no pixel of
// the band.
constexpr qreal kFillBandMargin = 2;

// The fill of an outline, in the painter's coordinates, over `area` of the picture only: the
// outline is first cut down to what winds round that area, so the rasteriser walks no edge far
// from it.
void fillArea(QPainter& painter, const QColor& color, PointSpan outline, const QRectF& area)
{
    const QRectF reach = area.adjusted(-kFillBandMargin, -kFillBandMargin, kFillBandMargin, kFillBandMargin);
    const QPolygonF clipped = clippedOutline(outline.mapped, qsizetype(outline.count), reach, kFillBandMargin);
    painter.save();
    painter.setClipRect(area);
    fillOutline(painter, color, clipped.constData(), std::size_t(clipped.size()));
    painter.restore();
}

}

bool fillInBands(QPainter& painter, const QColor& color, const PointSpan& outline, int firstRow, int endRow,
                 qreal pixelRatio, qreal width, const DrawingControl& control)
{
    for (int top = firstRow; top < endRow; top += kFillBandRows) {
        const int bottom = std::min(endRow, top + kFillBandRows);
        fillArea(painter, color, outline, QRectF(0, top / pixelRatio, width, (bottom - top) / pixelRatio));
        if (isCancelled(control))
            return false;
    }
    return true;
}

void fillOutline(QPainter& painter, const QColor& color, const QPointF* points, std::size_t count)
{
    if (!color.isValid() || count == 0)
        return;
    QPainterPath outline;
    outline.reserve(static_cast<int>(count) + 1);
    outline.moveTo(points[0]);
    for (std::size_t i = 1; i < count; ++i)
        outline.lineTo(points[i]);
    outline.closeSubpath();
    outline.setFillRule(Qt::WindingFill);
    clearUpperVectorState();
    painter.fillPath(outline, color);
}
