#include "output/PathSplitting.h"

#include <algorithm>

namespace {

// A piece of two points is a segment: the least that still moves along the path.
constexpr std::size_t kLeastPiecePoints = 2;

}

std::vector<PathPiece> pathPieces(std::size_t count, std::size_t maxPoints)
{
    maxPoints = std::max(maxPoints, kLeastPiecePoints);
    std::vector<PathPiece> pieces;
    if (count == 0)
        return pieces;
    pieces.reserve((count - 1) / (maxPoints - 1) + 1);
    std::size_t first = 0;
    while (true) {
        const std::size_t end = std::min(first + maxPoints, count);
        pieces.push_back({first, end - first});
        if (end == count)
            break;
        first = end - 1;
    }
    return pieces;
}

QList<QPolygonF> splitPolyline(const QPolygonF& line, std::size_t maxPoints)
{
    QList<QPolygonF> pieces;
    for (const PathPiece& piece : pathPieces(std::size_t(line.size()), maxPoints))
        pieces << line.mid(qsizetype(piece.first), qsizetype(piece.count));
    return pieces;
}
