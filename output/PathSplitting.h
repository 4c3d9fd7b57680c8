#pragma once

// A long path as several shorter ones joined end to end. Readers built on libxml2 refuse an
// attribute of more than 10 MB, which one path of a few hundred thousand points exceeds; and
// they let go of the text already read only now and then between elements, so a file of many
// long elements can still pass 10 MB held at once and be refused. Elements of a few thousand
// points give them the chance often enough: a design at the trace's point budget, 64 MB with
// every point, reads whole. Each piece begins at the point where the one before it ends, so a
// plotter draws one unbroken line.

#include <QList>
#include <QPolygonF>

#include <cstddef>
#include <vector>

// At about 16 bytes a point as an SVG path writes it, a piece stays near 64 kB.
constexpr std::size_t kMaxPointsPerPiece = 4096;

// Where a piece lies in the whole path.
struct PathPiece {
    std::size_t first = 0;   // the index of its first point
    std::size_t count = 0;   // its points
};

// The pieces of a path of `count` points, at most `maxPoints` points each (2 at the least, so that
// every piece moves on): the first begins at 0, each later one at the last point of the one
// before, and the last ends at the path's last point. No piece for an empty path; one piece, the
// whole path, when it fits.
std::vector<PathPiece> pathPieces(std::size_t count, std::size_t maxPoints = kMaxPointsPerPiece);

// The pieces themselves (see pathPieces).
QList<QPolygonF> splitPolyline(const QPolygonF& line, std::size_t maxPoints = kMaxPointsPerPiece);
