#include "output/Simplify.h"

#include <algorithm>
#include <utility>

namespace {

// A line is simplified in runs of at most this many points, whose ends are kept. A run of a
// curve that goes round many times can otherwise be split one revolution at a time, which makes
// the work grow with the square of its length; within a run the work stays near n log n. It
// costs one kept point in this many.
constexpr std::size_t kRunPoints = 4096;

// The square of the distance from p to the segment from a to b (to a, when they coincide).
double squaredDistanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double px = p.x() - a.x(), py = p.y() - a.y();
    const double lengthSquared = dx * dx + dy * dy;
    double t = lengthSquared > 0 ? (px * dx + py * dy) / lengthSquared : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = px - t * dx, ey = py - t * dy;
    return ex * ex + ey * ey;
}

// Marks the points to keep between `first` and `last`, both kept already: the point farthest
// from their segment is kept when it lies beyond the tolerance, and each side is looked at in
// turn. A stack of ranges stands in for recursion.
void keepBetween(const QPointF* points, std::size_t first, std::size_t last, double toleranceSquared,
                 std::vector<char>& keep, std::vector<std::pair<std::size_t, std::size_t>>& ranges)
{
    ranges.clear();
    ranges.emplace_back(first, last);
    while (!ranges.empty()) {
        const auto [from, to] = ranges.back();
        ranges.pop_back();
        double farthest = toleranceSquared;
        std::size_t at = from;
        for (std::size_t i = from + 1; i < to; ++i) {
            const double d = squaredDistanceToSegment(points[i], points[from], points[to]);
            if (d > farthest) {
                farthest = d;
                at = i;
            }
        }
        if (at == from)
            continue;
        keep[at] = 1;
        if (at - from > 1)
            ranges.emplace_back(from, at);
        if (to - at > 1)
            ranges.emplace_back(at, to);
    }
}

}

std::vector<std::size_t> keptPointIndices(const QPointF* points, std::size_t count, double toleranceMm)
{
    std::vector<std::size_t> kept;
    if (!(toleranceMm > 0) || count <= 2) {
        kept.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            kept[i] = i;
        return kept;
    }
    std::vector<char> keep(count, 0);
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    const double toleranceSquared = toleranceMm * toleranceMm;
    keep[0] = 1;
    for (std::size_t first = 0; first + 1 < count; first += kRunPoints) {
        const std::size_t last = std::min(first + kRunPoints, count - 1);
        keep[last] = 1;
        keepBetween(points, first, last, toleranceSquared, keep, ranges);
    }
    for (std::size_t i = 0; i < count; ++i)
        if (keep[i])
            kept.push_back(i);
    return kept;
}

QPolygonF simplifiedPolyline(const QPolygonF& line, double toleranceMm)
{
    const std::vector<std::size_t> kept = keptPointIndices(line.constData(), std::size_t(line.size()), toleranceMm);
    QPolygonF simplified;
    simplified.reserve(qsizetype(kept.size()));
    for (const std::size_t i : kept)
        simplified << line[qsizetype(i)];
    return simplified;
}
