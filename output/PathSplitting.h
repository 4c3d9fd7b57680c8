#pragma once

// A long path as several shorter ones joined end to end. Readers built on libxml2 refuse an
// attribute of more than 10 MB, which one path of a few hundred thousand points exceeds. Each
// piece begins at the point where the one before it ends, so a plotter draws one unbroken line.

#include <QList>
#include <QPolygonF>

#include <cstddef>
#include <vector>

// 100,000 coordinates: at about 16 bytes a point as an SVG path writes it, a piece stays near
// 0.8 MB, well below the limit.
constexpr std::size_t kMaxPointsPerPiece = 50'000;

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
