#include "art/DrawingGeometry.h"

#include "art/ArtParameters.h"
#include "art/PathClipping.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

qreal penWidthOf(float width)
{
    return std::isfinite(width) && width > 0 ? width : 0;   // 0: the thinnest line
}

qreal strokeReach(float width)
{
    return penWidthOf(width) / 2 * kMiterLimit + 1;
}

qreal drawnPenWidth(float width, const QRectF& picture)
{
    const qreal diagonal = std::hypot(picture.width(), picture.height());
    return std::isfinite(diagonal) ? std::min(penWidthOf(width), kWidestPenInDiagonals * diagonal) : penWidthOf(width);
}

QRectF reachedBy(const QRectF& rect, qreal penWidth)
{
    const qreal reach = strokeReach(float(penWidth));
    return rect.adjusted(-reach, -reach, reach, reach);
}

QPen linePen(const QColor& color, qreal width)
{
    QPen pen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin);
    pen.setMiterLimit(kMiterLimit);
    return pen;
}

QRectF shownArea(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    QRectF area;
    if (device && device->devType() == QInternal::Image)
        area = QRectF(0, 0, device->width() / device->devicePixelRatio(), device->height() / device->devicePixelRatio());
    else if (device && device->devType() == QInternal::Widget)
        area = QRectF(0, 0, device->width(), device->height());
    if (area.isEmpty())
        return QRectF(QPointF(-qInf(), -qInf()), QPointF(qInf(), qInf()));
    area = painter.worldTransform().inverted().mapRect(area);
    return painter.hasClipping() ? area.intersected(painter.clipBoundingRect()) : area;
}

bool PointSpan::liesWithin(const QRectF& rect) const
{
    constexpr std::size_t kChunk = 1024;
    std::vector<QPointF> buffer;
    for (std::size_t first = 0; first < count; first += kChunk) {
        const std::size_t n = std::min(kChunk, count - first);
        if (!holdsAll(rect, points(first, n, buffer), qsizetype(n)))
            return false;
    }
    return true;
}

MappedCurve::MappedCurve(const TracedCurve& curve, const QTransform& transform)
    : m_transform(transform)
{
    const PolylineView paths[] = {curve.fillPath(), curve.penPath(), curve.pen2Path(), curve.pen3Path()};
    for (int i = 0; i < 4; ++i) {
        if (curve.allPointsFinite) {
            m_spans[i] = {nullptr, paths[i].data(), &m_transform, paths[i].size()};
            continue;
        }
        for (std::size_t p = 0; p < paths[i].size(); ++p) {
            const QPointF q = transform.map(QPointF(paths[i][p].x, paths[i][p].y));
            if (std::isfinite(q.x()) && std::isfinite(q.y()))
                m_ownPoints[i].push_back(q);
        }
        m_spans[i] = {m_ownPoints[i].data(), nullptr, nullptr, m_ownPoints[i].size()};
    }
}
