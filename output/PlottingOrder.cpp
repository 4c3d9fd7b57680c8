#include "output/PlottingOrder.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kMillimetresPerMetre = 1000;

// The ends are looked up in a grid of about this many ends a cell, so that finding the nearest
// one takes a look at a few cells, not at every path.
constexpr double kEndsPerCell = 2;
constexpr std::size_t kLargestGridSide = 4096;
// Once this share of the ends the grid was made with is gone, it is made again of those left:
// the search rings would otherwise cross ever more empty cells.
constexpr std::size_t kRebuildDivisor = 4;

double distance(const QPointF& a, const QPointF& b)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    return std::sqrt(dx * dx + dy * dy);
}

double squaredDistance(const QPointF& a, const QPointF& b)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    return dx * dx + dy * dy;
}

// A cell index for a coordinate already measured in cells; a value that is not a number goes to 0.
std::size_t cellIndex(double cells, std::size_t count)
{
    if (!(cells >= 0))
        return 0;
    if (cells >= double(count - 1))
        return count - 1;
    return std::size_t(cells);
}

// The ends of the paths not drawn yet, in cells. End e is path e / 2's start when even, its end
// when odd.
class EndGrid
{
public:
    EndGrid(const std::vector<PathEnds>& paths, const std::vector<char>& drawn)
        : m_paths(paths), m_drawn(drawn)
    {
    }

    void build(std::size_t pathsLeft)
    {
        m_builtWith = pathsLeft;
        double left = std::numeric_limits<double>::max(), top = left;
        double right = std::numeric_limits<double>::lowest(), bottom = right;
        forEachEnd([&](std::size_t, const QPointF& p) {
            left = std::min(left, p.x());
            right = std::max(right, p.x());
            top = std::min(top, p.y());
            bottom = std::max(bottom, p.y());
        });
        const double width = right - left, height = bottom - top;
        const double cells = std::max(1.0, 2 * double(pathsLeft) / kEndsPerCell);
        m_cell = width > 0 && height > 0 ? std::sqrt(width * height / cells) : std::max(width, height) / cells;
        if (!(m_cell > 0) || !std::isfinite(m_cell))
            m_cell = 1;
        m_origin = QPointF(left, top);
        m_columns = cellIndex(width / m_cell, kLargestGridSide) + 1;
        m_rows = cellIndex(height / m_cell, kLargestGridSide) + 1;
        // The cells' ends, one after another: a cell's own begin at m_firstInCell[cell].
        m_firstInCell.assign(m_columns * m_rows + 1, 0);
        forEachEnd([&](std::size_t, const QPointF& p) { ++m_firstInCell[cellOf(p) + 1]; });
        for (std::size_t c = 1; c < m_firstInCell.size(); ++c)
            m_firstInCell[c] += m_firstInCell[c - 1];
        m_ends.resize(m_firstInCell.back());
        std::vector<std::size_t> next(m_firstInCell.begin(), m_firstInCell.end() - 1);
        forEachEnd([&](std::size_t end, const QPointF& p) { m_ends[next[cellOf(p)]++] = end; });
    }

    bool wantsRebuild(std::size_t pathsLeft) const { return pathsLeft * kRebuildDivisor < m_builtWith; }

    // The end of a path not yet drawn nearest to `from`. An end in a cell r rings away from the
    // cell that holds `from` (or the grid's nearest cell, for a point outside) lies at least r - 1
    // cells away, so the search stops at the first ring that cannot hold an end nearer than the
    // nearest found.
    std::size_t nearestEnd(const QPointF& from) const
    {
        const std::size_t column = cellIndex((from.x() - m_origin.x()) / m_cell, m_columns);
        const std::size_t row = cellIndex((from.y() - m_origin.y()) / m_cell, m_rows);
        const std::size_t rings = std::max(m_columns, m_rows);
        double best = std::numeric_limits<double>::infinity();
        std::size_t bestEnd = 0;
        for (std::size_t ring = 0; ring <= rings; ++ring) {
            const double least = ring > 0 ? double(ring - 1) * m_cell : 0.0;
            if (least * least > best)
                break;
            forEachCellOfRing(column, row, ring, [&](std::size_t cell) {
                for (std::size_t i = m_firstInCell[cell]; i < m_firstInCell[cell + 1]; ++i) {
                    const std::size_t end = m_ends[i];
                    if (m_drawn[end / 2])
                        continue;
                    const double d = squaredDistance(from, endPoint(end));
                    if (d < best) {
                        best = d;
                        bestEnd = end;
                    }
                }
            });
        }
        return bestEnd;
    }

private:
    QPointF endPoint(std::size_t end) const { return end % 2 == 0 ? m_paths[end / 2].start : m_paths[end / 2].end; }

    std::size_t cellOf(const QPointF& p) const
    {
        return cellIndex((p.y() - m_origin.y()) / m_cell, m_rows) * m_columns
            + cellIndex((p.x() - m_origin.x()) / m_cell, m_columns);
    }

    template <class Visit>
    void forEachEnd(Visit visit) const
    {
        for (std::size_t path = 0; path < m_paths.size(); ++path) {
            if (m_drawn[path])
                continue;
            visit(2 * path, m_paths[path].start);
            visit(2 * path + 1, m_paths[path].end);
        }
    }

    // The cells whose column or row lies `ring` away from the given one, and neither further.
    template <class Visit>
    void forEachCellOfRing(std::size_t column, std::size_t row, std::size_t ring, Visit visit) const
    {
        const auto lowest = [ring](std::size_t at) { return at >= ring ? at - ring : 0; };
        const std::size_t top = lowest(row), bottom = std::min(row + ring, m_rows - 1);
        const std::size_t left = lowest(column), right = std::min(column + ring, m_columns - 1);
        for (std::size_t r = top; r <= bottom; ++r) {
            const bool edgeRow = r + ring == row || r == row + ring;
            for (std::size_t c = left; c <= right; ++c) {
                if (edgeRow || c + ring == column || c == column + ring)
                    visit(r * m_columns + c);
                else
                    c = right - 1 < c ? c : std::max(c, column + ring - 1);
            }
        }
    }

    const std::vector<PathEnds>& m_paths;
    const std::vector<char>& m_drawn;
    QPointF m_origin;
    double m_cell = 1;
    std::size_t m_columns = 1, m_rows = 1, m_builtWith = 0;
    std::vector<std::size_t> m_firstInCell;
    std::vector<std::size_t> m_ends;
};

double travel(const std::vector<PathEnds>& paths, const std::vector<PlotStep>& steps, QPointF home)
{
    double total = 0;
    QPointF at = home;
    for (const PlotStep& step : steps) {
        const PathEnds& path = paths[step.path];
        total += distance(at, step.reversed ? path.end : path.start);
        at = step.reversed ? path.start : path.end;
    }
    return total;
}

std::vector<PlotStep> givenOrder(std::size_t count)
{
    std::vector<PlotStep> steps(count);
    for (std::size_t i = 0; i < count; ++i)
        steps[i].path = i;
    return steps;
}

std::vector<PlotStep> nearestEndOrder(const std::vector<PathEnds>& paths, QPointF home)
{
    std::vector<PlotStep> steps;
    steps.reserve(paths.size());
    std::vector<char> drawn(paths.size(), 0);
    EndGrid grid(paths, drawn);
    grid.build(paths.size());
    QPointF at = home;
    for (std::size_t left = paths.size(); left > 0; --left) {
        if (grid.wantsRebuild(left))
            grid.build(left);
        const std::size_t end = grid.nearestEnd(at);
        const PlotStep step{end / 2, end % 2 == 1};
        drawn[step.path] = 1;
        at = step.reversed ? paths[step.path].start : paths[step.path].end;
        steps.push_back(step);
    }
    return steps;
}

template <class Path>
PathEnds endsOf(const Path& path);

template <>
PathEnds endsOf(const QPolygonF& path)
{
    return {path.first(), path.last()};
}

template <>
PathEnds endsOf(const QLineF& segment)
{
    return {segment.p1(), segment.p2()};
}

bool drawsNothing(const QPolygonF& path)
{
    return path.isEmpty();
}

bool drawsNothing(const QLineF&)
{
    return false;
}

// The order of the paths that draw something, then those that draw nothing, as given.
template <class Path>
PlottingOrder orderOf(const QList<Path>& paths, QPointF home)
{
    std::vector<PathEnds> ends;
    std::vector<std::size_t> drawing, empty;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (drawsNothing(paths[i])) {
            empty.push_back(std::size_t(i));
        } else {
            drawing.push_back(std::size_t(i));
            ends.push_back(endsOf(paths[i]));
        }
    }
    PlottingOrder order = plottingOrder(ends, home);
    for (PlotStep& step : order.steps)
        step.path = drawing[step.path];
    if (!empty.empty()) {
        // With the empty paths among the drawing ones, the order given travels just as far.
        for (const std::size_t i : empty)
            order.steps.push_back({i, false});
    }
    return order;
}

QPolygonF reversedPath(const QPolygonF& path)
{
    QPolygonF reversed(path.rbegin(), path.rend());
    return reversed;
}

QLineF reversedPath(const QLineF& segment)
{
    return {segment.p2(), segment.p1()};
}

template <class Path>
QList<Path> reordered(const QList<Path>& paths, const PlottingOrder& order)
{
    QList<Path> result;
    result.reserve(qsizetype(order.steps.size()));
    for (const PlotStep& step : order.steps) {
        const Path& path = paths[qsizetype(step.path)];
        result << (step.reversed ? reversedPath(path) : path);
    }
    return result;
}

double pathLength(const QPolygonF& path)
{
    double length = 0;
    for (qsizetype i = 1; i < path.size(); ++i)
        length += distance(path[i - 1], path[i]);
    return length;
}

double pathLength(const QLineF& segment)
{
    return distance(segment.p1(), segment.p2());
}

template <class Path>
PlotLength lengthOf(const QList<Path>& paths, QPointF home)
{
    PlotLength length;
    QPointF at = home;
    for (const Path& path : paths) {
        if (drawsNothing(path))
            continue;
        const PathEnds ends = endsOf(path);
        length.penUpMm += distance(at, ends.start);
        length.penDownMm += pathLength(path);
        at = ends.end;
    }
    return length;
}

}

PlottingOrder plottingOrder(const std::vector<PathEnds>& paths, QPointF home)
{
    PlottingOrder order;
    order.steps = givenOrder(paths.size());
    order.travelBeforeMm = travel(paths, order.steps, home);
    order.travelAfterMm = order.travelBeforeMm;
    std::vector<PlotStep> nearest = nearestEndOrder(paths, home);
    const double nearestTravel = travel(paths, nearest, home);
    if (nearestTravel < order.travelBeforeMm) {
        order.steps = std::move(nearest);
        order.travelAfterMm = nearestTravel;
    }
    return order;
}

PlottingOrder plottingOrder(const QList<QPolygonF>& paths, QPointF home)
{
    return orderOf(paths, home);
}

PlottingOrder plottingOrder(const QList<QLineF>& segments, QPointF home)
{
    return orderOf(segments, home);
}

QList<QPolygonF> inPlottingOrder(const QList<QPolygonF>& paths, const PlottingOrder& order)
{
    return reordered(paths, order);
}

QList<QLineF> inPlottingOrder(const QList<QLineF>& segments, const PlottingOrder& order)
{
    return reordered(segments, order);
}

PlotLength plotLength(const QList<QPolygonF>& paths, QPointF home)
{
    return lengthOf(paths, home);
}

PlotLength plotLength(const QList<QLineF>& segments, QPointF home)
{
    return lengthOf(segments, home);
}

double plottingSeconds(const PlotLength& length, double speedMmPerSecond)
{
    if (!(speedMmPerSecond > 0) || !std::isfinite(speedMmPerSecond))
        return std::numeric_limits<double>::quiet_NaN();
    return (length.penDownMm + length.penUpMm) / speedMmPerSecond;
}

PenCost penCost(const PlotLength& length, double speedMmPerSecond)
{
    return {length.penDownMm / kMillimetresPerMetre, length.penUpMm / kMillimetresPerMetre,
            plottingSeconds(length, speedMmPerSecond)};
}
