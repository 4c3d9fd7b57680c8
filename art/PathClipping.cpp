#include "art/PathClipping.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace {

// How far the ends of a crossing segment may lie beyond the rectangle, in its larger side, for
// the segment to be handed on whole.
constexpr qreal kWholeSegmentReach = 1;

qreal wholeSegmentReach(const QRectF& clip)
{
    return kWholeSegmentReach * std::max(clip.width(), clip.height());
}

QRectF grown(const QRectF& rect, qreal reach)
{
    return rect.adjusted(-reach, -reach, reach, reach);
}

// Inside or on the edge. QRectF::contains holds nothing for a rectangle without area.
bool holds(const QRectF& rect, const QPointF& p)
{
    return p.x() >= rect.left() && p.x() <= rect.right() && p.y() >= rect.top() && p.y() <= rect.bottom();
}

bool holdsBoth(const QRectF& rect, const QPointF& a, const QPointF& b)
{
    return holds(rect, a) && holds(rect, b);
}


// The line through one side of the rectangle: x = value (axis 0) or y = value (axis 1).
struct SideLine {
    int axis = 0;
    qreal value = 0;
};

qreal coordinate(const QPointF& p, int axis)
{
    return axis == 0 ? p.x() : p.y();
}

// Where the segment from a to b meets a side line that its ends lie on either side of. It is
// measured from the nearer end, so that a far end, 1e30 away, costs no precision near the
// rectangle, and put on the line exactly.
QPointF meetingPoint(const QPointF& a, const QPointF& b, const SideLine& line)
{
    const bool fromA = std::abs(line.value - coordinate(a, line.axis)) <= std::abs(line.value - coordinate(b, line.axis));
    const QPointF& near = fromA ? a : b;
    const QPointF& far = fromA ? b : a;
    const qreal fraction = (line.value - coordinate(near, line.axis))
        / (coordinate(far, line.axis) - coordinate(near, line.axis));
    QPointF p = near + (far - near) * fraction;
    (line.axis == 0 ? p.rx() : p.ry()) = line.value;
    return p;
}

// Where the segment from a to b runs inside `clip`, as parameters along it (Liang–Barsky), and
// the side lines where it comes in and goes out, when it does.
struct Span {
    qreal enter = 0;
    qreal leave = 1;
    std::optional<SideLine> entry;
    std::optional<SideLine> exit;
};

std::optional<Span> spanInside(const QPointF& a, const QPointF& b, const QRectF& clip)
{
    const qreal low[] = {clip.left(), clip.top()};
    const qreal high[] = {clip.right(), clip.bottom()};
    Span span;
    for (int axis = 0; axis < 2; ++axis) {
        const qreal from = coordinate(a, axis);
        const qreal delta = coordinate(b, axis) - from;
        if (delta == 0) {   // parallel to these sides: between them or not at all
            if (from < low[axis] || from > high[axis])
                return std::nullopt;
            continue;
        }
        const SideLine first{axis, delta > 0 ? low[axis] : high[axis]};
        const SideLine second{axis, delta > 0 ? high[axis] : low[axis]};
        const qreal toFirst = (first.value - from) / delta;
        const qreal toSecond = (second.value - from) / delta;
        if (toFirst > span.enter) {
            span.enter = toFirst;
            span.entry = first;
        }
        if (toSecond < span.leave) {
            span.leave = toSecond;
            span.exit = second;
        }
    }
    if (span.enter > span.leave)
        return std::nullopt;
    return span;
}

// A place strictly between the ends of a segment, as the fraction of the way from the nearer
// end: ordered along the segment without losing precision next to either end. Far from both
// ends two crossings of parallel side lines can come out at one fraction; the way the segment
// runs along their axis orders them.
struct Place {
    bool nearerB = false;
    qreal fraction = 0;
    qreal progress = 0;   // the side line's value, negated where the segment runs towards lower values

    bool operator<(const Place& other) const
    {
        if (nearerB != other.nearerB)
            return !nearerB;
        if (fraction != other.fraction)
            return nearerB ? fraction > other.fraction : fraction < other.fraction;
        return progress < other.progress;
    }
};

// Where the segment from a to b crosses the lines through the rectangle's four sides, strictly
// between its ends, in order along it. Between two of them the segment stays in one of the nine
// regions that the lines cut the plane into.
struct Crossings {
    std::array<SideLine, 4> lines;
    int count = 0;
};

Crossings sideLineCrossings(const QPointF& a, const QPointF& b, const QRectF& clip)
{
    Crossings crossings;
    std::array<Place, 4> places;
    const auto addCrossing = [&](const SideLine& line) {
        const qreal from = coordinate(a, line.axis);
        const qreal to = coordinate(b, line.axis);
        if ((from < line.value) == (to < line.value) || from == line.value || to == line.value)
            return;
        const bool nearerB = std::abs(line.value - from) > std::abs(line.value - to);
        const Place place{nearerB, nearerB ? (to - line.value) / (to - from) : (line.value - from) / (to - from),
                          from < to ? line.value : -line.value};
        // Kept in order as they come: there are four at most.
        auto i = static_cast<std::size_t>(crossings.count++);
        for (; i > 0 && place < places[i - 1]; --i) {
            places[i] = places[i - 1];
            crossings.lines[i] = crossings.lines[i - 1];
        }
        places[i] = place;
        crossings.lines[i] = line;
    };
    addCrossing({0, clip.left()});
    addCrossing({0, clip.right()});
    addCrossing({1, clip.top()});
    addCrossing({1, clip.bottom()});
    return crossings;
}

// Builds a clipped outline: what clipping it against the rectangle's four sides one after
// another (Sutherland–Hodgman) gives, in one pass. Every point of an edge outside the rectangle
// is moved to the nearest point of it, straight towards it and never across its inside, so the
// outline still winds round every point inside as often as before. An edge kept whole is joined
// to the moved ones by such a straight move too. Moved onto one side, a stretch of the outline
// only runs up and down that side, and is kept as its two ends.
class OutlineBuilder
{
public:
    OutlineBuilder(const QRectF& clip, qsizetype expectedSize)
        : m_clip(clip)
    {
        m_points.reserve(expectedSize);
    }

    // A point of the outline as it is, kept whatever follows.
    void keep(const QPointF& p)
    {
        if (m_points.isEmpty() || m_points.constLast() != p)
            m_points.append(p);
        m_pinned = m_points.size();
    }

    void moveInside(const QPointF& p)
    {
        const QPointF q(std::clamp(p.x(), m_clip.left(), m_clip.right()),
                        std::clamp(p.y(), m_clip.top(), m_clip.bottom()));
        const qsizetype size = m_points.size();
        if (size > 0 && m_points.constLast() == q)
            return;
        if (size >= 2 && size - 1 >= m_pinned && onOneSide(m_points.at(size - 2), m_points.constLast(), q)) {
            m_points.last() = q;
            if (m_points.at(size - 2) == q)
                m_points.removeLast();
            return;
        }
        m_points.append(q);
    }

    QPolygonF take() { return std::move(m_points); }

private:
    bool onOneSide(const QPointF& a, const QPointF& b, const QPointF& c) const
    {
        const auto onLine = [](qreal line, qreal u, qreal v, qreal w) { return u == line && v == line && w == line; };
        return onLine(m_clip.left(), a.x(), b.x(), c.x()) || onLine(m_clip.right(), a.x(), b.x(), c.x())
            || onLine(m_clip.top(), a.y(), b.y(), c.y()) || onLine(m_clip.bottom(), a.y(), b.y(), c.y());
    }

    QRectF m_clip;
    QPolygonF m_points;
    qsizetype m_pinned = 0;   // the points before this index stay as they are
};

}

bool holdsAll(const QRectF& rect, const QPointF* points, qsizetype count)
{
    return std::all_of(points, points + count, [&rect](const QPointF& p) { return holds(rect, p); });
}

ClippedPolyline clippedPolyline(const QPolygonF& line, const QRectF& clip)
{
    // A curve that fits the picture is handed on as it is, without a copy.
    if (line.size() > 1 && holdsAll(clip, line.constData(), line.size()))
        return {line, {{0, line.size(), 0}}};
    return clippedPolyline(line.constData(), line.size(), clip);
}

ClippedPolyline clippedPolyline(const QPointF* points, qsizetype count, const QRectF& clip)
{
    ClippedPolyline clipped;
    const QRectF whole = grown(clip, wholeSegmentReach(clip));
    bool stretchReachesSegment = false;   // the last stretch ends exactly where the next segment starts
    for (qsizetype i = 0; i + 1 < count; ++i) {
        const QPointF& a = points[i];
        const QPointF& b = points[i + 1];
        std::optional<Span> span = holdsBoth(clip, a, b) ? Span{} : spanInside(a, b, clip);
        if (!span) {
            stretchReachesSegment = false;
            continue;
        }
        if (holdsBoth(whole, a, b))
            span = Span{};
        if (!stretchReachesSegment || span->entry) {
            clipped.stretches.append({clipped.points.size(), 1, i});
            clipped.points.append(span->entry ? meetingPoint(a, b, *span->entry) : a);
        }
        clipped.points.append(span->exit ? meetingPoint(a, b, *span->exit) : b);
        ++clipped.stretches.last().count;
        stretchReachesSegment = !span->exit;
    }
    return clipped;
}

QPolygonF clippedOutline(const QPolygonF& outline, const QRectF& clip)
{
    if (holdsAll(grown(clip, wholeSegmentReach(clip)), outline.constData(), outline.size()))
        return outline;
    return clippedOutline(outline.constData(), outline.size(), clip, wholeSegmentReach(clip));
}

QPolygonF clippedOutline(const QPointF* points, qsizetype count, const QRectF& clip, qreal wholeReach)
{
    const QRectF whole = grown(clip, wholeReach);
    OutlineBuilder builder(clip, count);
    for (qsizetype i = 0; i < count; ++i) {
        const QPointF& a = points[i];
        const QPointF& b = points[i + 1 < count ? i + 1 : 0];
        if (holdsBoth(whole, a, b)) {
            builder.keep(a);
            builder.keep(b);
            continue;
        }
        // In each region between two crossings the move to the nearest point of the rectangle
        // is affine, so the moved segment is the polyline through the moved crossings.
        builder.moveInside(a);
        const Crossings crossings = sideLineCrossings(a, b, clip);
        for (int k = 0; k < crossings.count; ++k)
            builder.moveInside(meetingPoint(a, b, crossings.lines[static_cast<std::size_t>(k)]));
        builder.moveInside(b);
    }
    return builder.take();
}
