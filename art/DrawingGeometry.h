#pragma once

// Where a drawing's lines land and how far they reach: the one mapping of traced points into a
// painter's coordinates, the one style every line is drawn in, how wide a pen is drawn and how
// far beyond its points a stroke can paint, and the part of a painter's coordinates that shows.
// The strokes, the fill, the overlays and the screen's scheduling all go by these, so that a
// point lands on the same spot, and is left out or kept alike, whichever way it is drawn.

#include "art/CurveTrace.h"

#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <algorithm>
#include <cstddef>
#include <vector>

class QPainter;

// A pen is drawn at most this many picture diagonals wide. Wider, it would still cover the whole
// picture about any line drawn across or near it, while its outline reached far beyond the
// rasteriser's coordinate range, where one stroke takes seconds.
constexpr qreal kWidestPenInDiagonals = 4;

// A design's pen width as drawn: 0, the thinnest line, for one that is not a positive number.
qreal penWidthOf(float width);

// How far beyond its points a stroke can paint: half the width, as far again as the longest
// mitre, and a pixel of antialiasing.
qreal strokeReach(float width);

// How wide a pen is drawn: its width, but at most kWidestPenInDiagonals picture diagonals.
qreal drawnPenWidth(float width, const QRectF& picture);

// The rectangle grown by what a stroke reaches beyond its points.
QRectF reachedBy(const QRectF& rect, qreal penWidth);

// Every line is drawn in one style: butt ends, mitred joins that turn to bevels past a mitre
// length of 10 widths. Qt::MiterJoin cuts an over-long mitre off at 10 widths instead, which
// leaves a spike that long wherever the line turns back on itself, as at a cusp of the curve.
QPen linePen(const QColor& color, qreal width);

// The part of a painter's coordinates that lands on its device: an image's or a widget's
// rectangle. A printer or a picture reports no size worth trusting, and nothing is left out there.
QRectF shownArea(const QPainter& painter);

// Maps traced points into the painter's coordinates. Every drawing maps with this one
// formula, so that a point lands on the same spot whichever way it is drawn. Inline: every
// piece of a stroke maps its points as it is drawn.
inline void mapPoints(const TracedPoint* points, std::size_t count, const QTransform& t, QPointF* into)
{
    const qreal m11 = t.m11(), m12 = t.m12(), m21 = t.m21(), m22 = t.m22(), dx = t.dx(), dy = t.dy();
    for (std::size_t i = 0; i < count; ++i) {
        const qreal x = points[i].x;
        const qreal y = points[i].y;
        into[i] = QPointF(m11 * x + m21 * y + dx, m12 * x + m22 * y + dy);
    }
}

// Consecutive points of a line: already in the painter's coordinates, or as traced, mapped only
// when they are drawn. A long curve then needs no second copy of itself.
struct PointSpan {
    const QPointF* mapped = nullptr;
    const TracedPoint* traced = nullptr;
    const QTransform* transform = nullptr;   // for the traced points
    std::size_t count = 0;

    // `n` points from `first`.
    PointSpan slice(std::size_t first, std::size_t n) const
    {
        PointSpan part = from(first);
        part.count = std::min(n, part.count);
        return part;
    }

    PointSpan from(std::size_t first) const
    {
        PointSpan rest = *this;
        rest.count = count - first;
        if (mapped)
            rest.mapped = mapped + first;
        if (traced)
            rest.traced = traced + first;
        return rest;
    }

    // `n` points from `first` in the painter's coordinates: the span's own, or mapped into `buffer`.
    const QPointF* points(std::size_t first, std::size_t n, std::vector<QPointF>& buffer) const
    {
        if (mapped)
            return mapped + first;
        buffer.resize(n);
        mapPoints(traced + first, n, *transform, buffer.data());
        return buffer.data();
    }

    // Whether every point lies inside or on the edge of `rect`.
    bool liesWithin(const QRectF& rect) const;
};

// The curve's paths. A curve whose points are all finite is read where it was traced, each path
// a stretch of its one array; otherwise each path is mapped on its own, the points that are not
// finite left out.
class MappedCurve
{
public:
    MappedCurve(const TracedCurve& curve, const QTransform& transform);

    PointSpan fill() const { return m_spans[0]; }
    PointSpan pen(int index) const { return m_spans[1 + index]; }

private:
    QTransform m_transform;
    PointSpan m_spans[4];
    std::vector<QPointF> m_ownPoints[4];
};
