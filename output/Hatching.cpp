#include "output/Hatching.h"

#include <QtMath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr double kFullTurnDegrees = 360;
constexpr double kRightAngleDegrees = 90;
// Beyond 2^53 a line's index no longer converts to its offset and back exactly.
constexpr double kLargestExactIndex = 9007199254740992.0;
// How many outline points are looked at between two looks at the cancel flag.
constexpr std::size_t kPointsPerCancelCheck = 1 << 16;

bool isCancelled(const std::atomic<bool>* cancelled)
{
    return cancelled && cancelled->load(std::memory_order_relaxed);
}

// The frame of one set of lines: they run along u, at v = k * spacing for every whole k.
class HatchFrame
{
public:
    explicit HatchFrame(double angleDegrees)
    {
        // Whole quarter turns exactly, so that level and upright hatching is exactly so.
        const double turn = std::fmod(angleDegrees, kFullTurnDegrees);
        const double quarters = turn / kRightAngleDegrees;
        if (quarters == std::floor(quarters)) {
            constexpr double kCosines[] = {1, 0, -1, 0};
            const auto quarter = static_cast<int>(quarters + 4) % 4;
            m_cos = kCosines[quarter];
            m_sin = kCosines[(quarter + 3) % 4];
        } else {
            m_cos = std::cos(qDegreesToRadians(turn));
            m_sin = std::sin(qDegreesToRadians(turn));
        }
    }

    // The page has y down: the lines' direction is (cos, -sin), and across them (sin, cos).
    double along(const QPointF& p) const { return p.x() * m_cos - p.y() * m_sin; }
    double across(const QPointF& p) const { return p.x() * m_sin + p.y() * m_cos; }
    QPointF point(double u, double v) const { return {u * m_cos + v * m_sin, v * m_cos - u * m_sin}; }

private:
    double m_cos = 1;
    double m_sin = 0;
};

struct FramePoint {
    double u;
    double v;
};

// An edge of the outline that crosses at least one line: from point `from` to the next one.
struct Edge {
    std::int64_t first;   // the first line it crosses
    std::int64_t end;     // one past the last
    std::size_t from;
};

struct Crossing {
    double u;
    int winding;
};

// A line's offset, computed the one way everywhere, so that an edge that ends on a line and
// the edge that starts there agree whether they cross it.
double lineOffset(std::int64_t line, double spacing)
{
    return double(line) * spacing;
}

// The first line at or beyond `v`: an edge crosses the lines from its lower end's, up to but
// not including its upper end's. `v / spacing` must lie within the exact range.
std::int64_t firstLineFrom(double v, double spacing)
{
    auto line = static_cast<std::int64_t>(std::ceil(v / spacing));
    while (lineOffset(line, spacing) < v)
        ++line;
    while (lineOffset(line - 1, spacing) >= v)
        --line;
    return line;
}

// One set of lines across the outline. The edges are sorted by the first line they cross and
// swept: each line sees only the edges that cross it, and the spans where their windings add up
// to anything but zero are the region's.
HatchResult hatchOneWay(const std::vector<QPointF>& outline, double angleDegrees, double spacing,
                        QList<QLineF>& lines, const std::atomic<bool>* cancelled)
{
    if (outline.empty())
        return HatchResult::Done;
    const HatchFrame frame(angleDegrees);
    std::vector<FramePoint> points(outline.size());
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        points[i] = {frame.along(outline[i]), frame.across(outline[i])};
        lowest = std::min(lowest, points[i].v);
        highest = std::max(highest, points[i].v);
    }
    if (!(std::fabs(lowest / spacing) < kLargestExactIndex && std::fabs(highest / spacing) < kLargestExactIndex)
        || (highest - lowest) / spacing > kMostHatchLines)
        return HatchResult::Refused;

    std::vector<Edge> edges;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i % kPointsPerCancelCheck == 0 && isCancelled(cancelled))
            return HatchResult::Cancelled;
        const double a = points[i].v;
        const double b = points[(i + 1) % points.size()].v;
        const std::int64_t first = firstLineFrom(std::min(a, b), spacing);
        const std::int64_t end = firstLineFrom(std::max(a, b), spacing);
        if (first < end)
            edges.push_back({first, end, i});
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.first < b.first; });

    std::vector<const Edge*> active;
    std::vector<Crossing> crossings;
    std::size_t next = 0;
    std::int64_t line = 0;
    while (next < edges.size() || !active.empty()) {
        if (isCancelled(cancelled))
            return HatchResult::Cancelled;
        if (active.empty())
            line = edges[next].first;
        for (; next < edges.size() && edges[next].first == line; ++next)
            active.push_back(&edges[next]);
        const double v = lineOffset(line, spacing);
        crossings.clear();
        for (const Edge* edge : active) {
            const FramePoint& a = points[edge->from];
            const FramePoint& b = points[(edge->from + 1) % points.size()];
            crossings.push_back({a.u + (v - a.v) * (b.u - a.u) / (b.v - a.v), b.v > a.v ? 1 : -1});
        }
        std::sort(crossings.begin(), crossings.end(), [](const Crossing& a, const Crossing& b) { return a.u < b.u; });
        // Crossings at the same place are taken together: an outline touching itself there
        // neither breaks a line in two nor leaves a line of no length.
        int winding = 0;
        double start = 0;
        for (std::size_t i = 0; i < crossings.size();) {
            const double u = crossings[i].u;
            const int before = winding;
            for (; i < crossings.size() && crossings[i].u == u; ++i)
                winding += crossings[i].winding;
            if (before == 0 && winding != 0)
                start = u;
            else if (before != 0 && winding == 0)
                lines << QLineF(frame.point(start, v), frame.point(u, v));
        }
        ++line;
        active.erase(std::remove_if(active.begin(), active.end(), [line](const Edge* edge) { return edge->end <= line; }),
                     active.end());
    }
    return HatchResult::Done;
}

}

HatchResult hatchOutline(const QPointF* points, std::size_t count, const HatchSettings& settings,
                         QList<QLineF>& lines, const std::atomic<bool>* cancelled)
{
    if (!(std::isfinite(settings.spacingMm) && settings.spacingMm > 0) || !std::isfinite(settings.angleDegrees))
        return HatchResult::Refused;
    std::vector<QPointF> outline;
    outline.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        if (std::isfinite(points[i].x()) && std::isfinite(points[i].y()))
            outline.push_back(points[i]);
    const qsizetype before = lines.size();
    HatchResult result = hatchOneWay(outline, settings.angleDegrees, settings.spacingMm, lines, cancelled);
    if (result == HatchResult::Done && settings.crossHatch)
        result = hatchOneWay(outline, settings.angleDegrees + kRightAngleDegrees, settings.spacingMm, lines, cancelled);
    if (result != HatchResult::Done)
        lines.resize(before);
    return result;
}

QList<QLineF> hatchOutline(const QPolygonF& outline, const HatchSettings& settings)
{
    QList<QLineF> lines;
    hatchOutline(outline.constData(), std::size_t(outline.size()), settings, lines);
    return lines;
}
