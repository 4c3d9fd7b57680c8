#pragma once

// Fewer points for a plotter, by deviation: a point is left out only when the segment that
// replaces it passes within the tolerance of it, so the drawing on paper moves by no more than
// the tolerance anywhere. The first and the last point are always kept, so stretches that meet
// (one colour's path and the next) still meet.

#include <QPointF>
#include <QPolygonF>

#include <cstddef>
#include <vector>

// The indices of the points kept, ascending, the first (0) and the last always among them: no
// point left out lies farther than `toleranceMm` from the segment between the kept points on
// either side of it. A tolerance of 0 or less (or not a number) keeps every point, repeated
// points too. Points must be finite. Runs in time about n log n on a curve, with no recursion:
// a line of millions of points is fine.
std::vector<std::size_t> keptPointIndices(const QPointF* points, std::size_t count, double toleranceMm);

// The points kept of `line` (see keptPointIndices).
QPolygonF simplifiedPolyline(const QPolygonF& line, double toleranceMm);
