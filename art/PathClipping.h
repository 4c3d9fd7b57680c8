#pragma once

// Paths cut down to what can show in a rectangle, in time linear in their points, before the
// rasteriser sees them. Qt's rasteriser walks every edge it is given cell by cell, inside the
// picture or not, and beyond its coordinate range it hands the whole path to a general clipper
// that takes seconds for a few thousand points.
//
// A segment that crosses the rectangle is handed on whole while both its ends lie within one
// rectangle's size of it: the rasteriser then draws exactly what it would draw unclipped, and
// the length it walks stays bounded. A segment reaching further is cut at the rectangle.

#include <QList>
#include <QPolygonF>
#include <QRectF>

// The stretches of a polyline that cross a rectangle, one after another in `points`.
struct ClippedPolyline {
    struct Stretch {
        qsizetype first = 0;        // where the stretch begins in `points`
        qsizetype count = 0;        // its points, at least two
        qsizetype sourceFirst = 0;  // the index in the whole line of the point its first segment starts from
    };
    QPolygonF points;
    QList<Stretch> stretches;
};

// Whether every point lies inside or on the edge of `rect`: a line or outline that needs no
// clipping.
bool holdsAll(const QRectF& rect, const QPointF* points, qsizetype count);

// The stretches of `line` that cross `clip`, which must hold everything a stroke of the line can
// reach (half its width, its mitres, antialiasing). Segments that miss `clip` are left out: the
// line is cut there. A stretch keeps the line's joins wherever the line stays in reach.
// Points must be finite.
ClippedPolyline clippedPolyline(const QPolygonF& line, const QRectF& clip);
ClippedPolyline clippedPolyline(const QPointF* points, qsizetype count, const QRectF& clip);

// A closed outline (its last point joins its first) that winds round every point inside `clip`
// as often as `outline` does, so that a fill with either rule paints the same inside `clip`;
// outside it the fill runs along the rectangle's sides. An edge whose ends both lie within
// `wholeReach` of `clip` is kept as it is (by default, within the rectangle's larger side).
// Points must be finite.
QPolygonF clippedOutline(const QPolygonF& outline, const QRectF& clip);
QPolygonF clippedOutline(const QPointF* points, qsizetype count, const QRectF& clip, qreal wholeReach);
