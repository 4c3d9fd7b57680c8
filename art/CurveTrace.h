#pragma once

// Curve tracing: the pen's path for one design, in curve space (origin at the anchor's centre,
// y up, angles counter-clockwise). Pure C++: this file and its sources include no Qt.

#include "art/NestedWheels.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <new>
#include <utility>
#include <vector>

struct CurvePoint { double x; double y; };

// A point as tracing stores it. Every coordinate is a 32-bit result, so a float pair holds it
// exactly in half the memory of a CurvePoint.
struct TracedPoint { float x; float y; };

// Consecutive points of a traced curve, read as CurvePoints. It refers into the TracedCurve
// that handed it out and is valid until that curve is traced into again, assigned or destroyed.
class PolylineView
{
public:
    class Iterator
    {
    public:
        // Points are widened as they are read, so there is no CurvePoint to refer to.
        using iterator_category = std::input_iterator_tag;
        using value_type = CurvePoint;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = CurvePoint;

        explicit Iterator(const TracedPoint* at) : m_at(at) {}
        CurvePoint operator*() const { return {m_at->x, m_at->y}; }
        Iterator& operator++() { ++m_at; return *this; }
        Iterator operator++(int) { Iterator before = *this; ++m_at; return before; }
        friend bool operator==(Iterator a, Iterator b) { return a.m_at == b.m_at; }
        friend bool operator!=(Iterator a, Iterator b) { return a.m_at != b.m_at; }

    private:
        const TracedPoint* m_at;
    };

    PolylineView() = default;
    PolylineView(const TracedPoint* first, std::size_t size) : m_first(first), m_size(size) {}

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    CurvePoint operator[](std::size_t i) const { return {m_first[i].x, m_first[i].y}; }
    CurvePoint front() const { return (*this)[0]; }
    CurvePoint back() const { return (*this)[m_size - 1]; }
    Iterator begin() const { return Iterator(m_first); }
    Iterator end() const { return Iterator(m_first + m_size); }
    // The stored points themselves, for a reader that wants them without widening.
    const TracedPoint* data() const { return m_first; }

private:
    const TracedPoint* m_first = nullptr;
    std::size_t m_size = 0;
};

// The most points one tracing produces. Beyond it a design would cost seconds per redraw and
// hundreds of megabytes; tracing stops there as if the curve ended and sets `truncated`.
constexpr std::size_t kTracePointBudget = 4'194'304;

struct CurveParameters {
    float anchorRadius = 0, runnerRadius = 0, penHoleRadius = 0;
    float rotationsToMake = 0, percentToDraw = 100;
    bool greaseIt = false; int32_t numberOfColors = 0; bool closeCurve = false;
    // A lower budget for this curve, as the curves before it in a picture leave it: the trace
    // stops at the smaller of it and kTracePointBudget, as it stops at that. 0 traces no point.
    std::size_t pointBudget = kTracePointBudget;
    // Traced in double precision, each angle from its point's index and the step shortened so
    // that the last point lands on the total angle: the curve the wheels truly draw, which the
    // 32-bit sums of the ordinary trace drift from over many revolutions. Off: the ordinary trace.
    bool precise = false;
    // For a precise curve, or nested wheels: how far, in curve units, a chord between two points
    // may stray from the curve, where an output needs more points than the screen's steps give
    // (an export or print larger than the view). 0: the screen's steps.
    double chordError = 0;
    // Wheels rolling on the runner, the pen in the last of them.
    NestedWheels nested;
};

class TracedCurve
{
public:
    // Every path is a stretch of one array: [startPoint, point 0, ..., point n-1], then
    // startPoint once more when the closing segment applies. penPath always begins at the start
    // point; pen2Path and pen3Path begin at the point before their first one (the start point
    // for the very first), so the colours join without a gap, and are empty when their colour
    // range received no point. fillPath is the start point and every traced point, never closed.
    // A view must not outlive its curve: a temporary curve hands out none.
    PolylineView penPath() const& { return view(m_storage.layout.pens[0]); }
    PolylineView pen2Path() const& { return view(m_storage.layout.pens[1]); }
    PolylineView pen3Path() const& { return view(m_storage.layout.pens[2]); }
    PolylineView fillPath() const& { return view(m_storage.layout.fill); }
    PolylineView penPath() const&& = delete;
    PolylineView pen2Path() const&& = delete;
    PolylineView pen3Path() const&& = delete;
    PolylineView fillPath() const&& = delete;
    // The points traced, the start point not counted.
    std::size_t pointCount() const { return m_storage.layout.fill.size == 0 ? 0 : m_storage.layout.fill.size - 1; }

    CurvePoint startPoint{0, 0};
    CurvePoint lastRunnerCenter{0, 0};
    float lastRunnerAngle = 0;
    // The orbit angle of the last point: where the overlay puts every wheel as the trace left it.
    double lastOrbitAngle = 0;
    bool truncated = false;         // cut at its point budget, or where the orbit angle stopped advancing
    bool allPointsFinite = true;    // every point of every path, the start point included

private:
    friend class CurveTracer;

    struct Range {
        std::size_t first = 0;
        std::size_t size = 0;
    };

    // Leaves the points uninitialised when the array grows: tracing writes every one of them,
    // and zeroing first would cost a pass over the memory.
    template <class T>
    struct UninitialisedAllocator : std::allocator<T> {
        template <class U>
        struct rebind { using other = UninitialisedAllocator<U>; };
        UninitialisedAllocator() = default;
        template <class U>
        UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
        template <class U>
        void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
        template <class U, class... Args>
        void construct(U* p, Args&&... args) { ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...); }
    };

    // Where each path lies in the array.
    struct Layout {
        Range fill;
        Range pens[3];
    };

    // The points and their layout. A moved-from curve keeps no range into the array it gave away.
    struct Storage {
        std::vector<TracedPoint, UninitialisedAllocator<TracedPoint>> points;
        Layout layout;

        Storage() = default;
        Storage(const Storage&) = default;
        Storage& operator=(const Storage&) = default;
        Storage(Storage&& other) noexcept
            : points(std::move(other.points)), layout(std::exchange(other.layout, {}))
        {
        }
        Storage& operator=(Storage&& other) noexcept
        {
            if (this != &other) {
                points = std::move(other.points);
                layout = std::exchange(other.layout, {});
            }
            return *this;
        }
        ~Storage() = default;
    };

    PolylineView view(Range r) const { return {m_storage.points.data() + r.first, r.size}; }

    Storage m_storage;
};

TracedCurve traceCurve(const CurveParameters& p);

// Traces into `into`, reusing the memory it already holds. When `cancel` turns true the trace
// stops within a few thousand points, leaves `into` empty (no path, no point) and returns false.
bool traceCurve(const CurveParameters& p, TracedCurve& into, const std::atomic<bool>* cancel = nullptr);

// The number of points traceCurve gives for these parameters (pointCount()), found without
// tracing: the orbit angle's 32-bit sums are followed one binary order of magnitude at a time.
std::size_t estimatedPointCount(const CurveParameters& p);

// How many points tracing takes for one revolution of the runner round the anchor.
double pointsPerRevolution(const CurveParameters& p);
