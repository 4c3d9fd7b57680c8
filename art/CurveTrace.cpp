#include "art/CurveTrace.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <system_error>
#include <thread>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr float kTwoPi = 6.2831855f;   // the float nearest to 2π
constexpr float kMinStep = 0.001f;
constexpr float kMaxStep = 0.1f;

// The orbit-angle increment: one turn of the orbit is cut into n equal steps of about
// 0.1 / |anchor / runner| radian, n rounded up, the step clamped to [0.001, 0.1].
float orbitStep(float anchorRadius, float runnerRadius)
{
    const float q = std::fabs(anchorRadius / runnerRadius);
    float s = static_cast<float>(0.1 / static_cast<double>(q));
    s = std::isnan(s) ? kMinStep : std::min(std::max(s, kMinStep), kMaxStep);
    const auto n = static_cast<int32_t>(static_cast<double>(kTwoPi / s) + 0.99);   // 63 to 6284
    return kTwoPi / static_cast<float>(n);
}

enum ColorRange { FirstColor, SecondColor, ThirdColor };

// Written so that a full angle of 0 or NaN puts every point in the middle range, as the
// comparisons fall.
ColorRange colorRangeAt(float orbitAngle, double fullAngle, int32_t numberOfColors)
{
    const double t = orbitAngle;
    if (numberOfColors == 3) {
        if (t < 0.33 * fullAngle) return FirstColor;
        return t > 0.66 * fullAngle ? ThirdColor : SecondColor;
    }
    if (numberOfColors == 2)
        return t < 0.5 * fullAngle ? FirstColor : SecondColor;
    return FirstColor;
}

// Where one point stands in the accumulation: the angles are summed, never computed as
// index × step, because the point count and the colour of a point on a colour boundary depend
// on the 32-bit sums. Resuming from a saved position reproduces the same sums exactly.
struct Angles {
    float orbit = 0;
    float runner = 0;
};

struct PointPlan {
    std::size_t count = 0;              // points to trace
    std::size_t colorStart[3] = {};     // index of the first point of each colour range
    std::size_t colorCount[3] = {};
    Angles resumeAt;                    // the angles of point `resumeIndex`, about halfway
    std::size_t resumeIndex = 0;
    Angles last;                        // the angles of the last point
    float runnerAngleAfter = 0;         // already advanced past the last point
    bool truncated = false;
};

// The first pass: counts the points and the colour runs without computing a coordinate, and
// keeps the angles at the midpoint so that a second thread can start there.
PointPlan planPoints(const Angles& increment, float totalAngle, double fullAngle,
                     int32_t numberOfColors, bool zeroRunner)
{
    PointPlan plan;
    if (!(totalAngle >= 0))   // negative or NaN: no point at all
        return plan;
    // The orbit angle only grows, so each colour range is one unbroken run of points.
    ColorRange range = colorRangeAt(0, fullAngle, numberOfColors);
    const double expectedCount = static_cast<double>(totalAngle) / increment.orbit + 1;
    const auto halfway = static_cast<std::size_t>(std::min(expectedCount, double(kTracePointBudget)) / 2);
    Angles a;
    while (true) {
        if (plan.count == halfway) {
            plan.resumeAt = a;
            plan.resumeIndex = halfway;
        }
        const ColorRange r = colorRangeAt(a.orbit, fullAngle, numberOfColors);
        if (r != range) {
            plan.colorCount[range] = plan.count - plan.colorStart[range];
            range = r;
            plan.colorStart[range] = plan.count;
        }
        ++plan.count;
        // A zero runner turns infinitely fast: only the first point, taken before it turns, exists.
        if (zeroRunner)
            break;
        a.runner += increment.runner;
        const float nextOrbit = a.orbit + increment.orbit;
        if (!(nextOrbit <= totalAngle))
            break;
        if (plan.count == kTracePointBudget || nextOrbit == a.orbit) {
            plan.truncated = true;
            break;
        }
        a.orbit = nextOrbit;
    }
    plan.colorCount[range] = plan.count - plan.colorStart[range];
    plan.last = a;
    plan.runnerAngleAfter = a.runner;
    return plan;
}

struct PenGeometry {
    double centreDistance;
    double penHoleRadius;
};

CurvePoint runnerCentre(const PenGeometry& g, float orbitAngle)
{
    const double t = orbitAngle;
    return {static_cast<float>(g.centreDistance * std::cos(t)),
            static_cast<float>(g.centreDistance * std::sin(t))};
}

// Where each point goes: fillPath[1 + i], and the slot of point i in its colour path.
struct PointSinks {
    CurvePoint* fill;
    CurvePoint* colorRun[3];    // where the run of each colour range begins in its path
};

void tracePoints(const PenGeometry& g, const PointPlan& plan, const Angles& increment,
                 Angles a, std::size_t first, std::size_t end, const PointSinks& sinks)
{
    int range = FirstColor;
    for (std::size_t i = first; i < end; ++i) {
        while (i >= plan.colorStart[range] + plan.colorCount[range])
            ++range;
        const CurvePoint c = runnerCentre(g, a.orbit);
        const double r = a.runner;
        const CurvePoint point{static_cast<float>(c.x + g.penHoleRadius * std::cos(r)),
                               static_cast<float>(c.y + g.penHoleRadius * std::sin(r))};
        sinks.fill[1 + i] = point;
        sinks.colorRun[range][i - plan.colorStart[range]] = point;
        a.orbit += increment.orbit;
        a.runner += increment.runner;
    }
}

// Makes room for `count` points. For a long curve, first touching the memory is a large share
// of the work: a page fault for every 4 KiB. Huge pages, where the system offers them on
// request, take one fault for 2 MiB.
void reservePoints(Polyline& path, std::size_t count)
{
    path.reserve(count);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    const auto first = reinterpret_cast<std::uintptr_t>(path.data());
    const std::uintptr_t begin = (first + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (first + count * sizeof(CurvePoint)) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);   // only advice
#endif
}

// Below this many points a second thread costs more than it saves.
constexpr std::size_t kParallelThreshold = 16'384;

}

TracedCurve traceCurve(const CurveParameters& p)
{
    TracedCurve curve;
    const float centreDistance = p.anchorRadius + p.runnerRadius;
    const float turnRatio = p.greaseIt ? (p.anchorRadius + p.anchorRadius) / p.runnerRadius
                                       : centreDistance / p.runnerRadius;
    const double fullAngle = p.rotationsToMake * kTwoPi;
    const float totalAngle = ((p.rotationsToMake * kTwoPi) * p.percentToDraw) / 100.0f;
    const float step = orbitStep(p.anchorRadius, p.runnerRadius);
    const Angles increment{step, turnRatio * step};
    const PenGeometry geometry{centreDistance, p.penHoleRadius};
    const bool zeroRunner = p.runnerRadius == 0;

    curve.startPoint = {centreDistance + p.penHoleRadius, 0};
    curve.lastRunnerCenter = {0, 0};

    const PointPlan plan = planPoints(increment, totalAngle, fullAngle, p.numberOfColors, zeroRunner);
    curve.truncated = plan.truncated;
    // The angle of the last point, where the overlay draws the runner. A zero runner never turns.
    curve.lastRunnerAngle = zeroRunner ? 0.0f : plan.runnerAngleAfter - increment.runner;

    const int lastRange = p.numberOfColors == 3 ? ThirdColor : p.numberOfColors == 2 ? SecondColor : FirstColor;
    const bool closing = p.closeCurve && p.percentToDraw >= 100;
    Polyline* const colorPaths[] = {&curve.penPath, &curve.pen2Path, &curve.pen3Path};
    reservePoints(curve.fillPath, plan.count + 1);
    curve.fillPath.resize(plan.count + 1);
    curve.fillPath[0] = curve.startPoint;
    PointSinks sinks{curve.fillPath.data(), {}};
    for (int range = FirstColor; range <= ThirdColor; ++range) {
        Polyline& path = *colorPaths[range];
        const std::size_t count = plan.colorCount[range];
        // penPath always begins at the start point; another colour path begins at the point
        // before its first one, so the colours join without a gap.
        if (range != FirstColor && count == 0)
            continue;
        reservePoints(path, 1 + count + (closing && range == lastRange));
        path.resize(1 + count);
        sinks.colorRun[range] = path.data() + 1;
    }

    // The sines and cosines are nearly all the cost, and once its angles are known each point
    // stands alone: a long curve's second half goes to another thread, when one can be had.
    std::thread worker;
    if (plan.count >= kParallelThreshold && std::thread::hardware_concurrency() >= 2) {
        try {
            worker = std::thread(tracePoints, std::cref(geometry), std::cref(plan), std::cref(increment),
                                 plan.resumeAt, plan.resumeIndex, plan.count, std::cref(sinks));
        } catch (const std::system_error&) {
            // No thread to be had: this one traces every point.
        }
    }
    tracePoints(geometry, plan, increment, Angles{}, 0, worker.joinable() ? plan.resumeIndex : plan.count, sinks);
    if (worker.joinable())
        worker.join();

    for (int range = FirstColor; range <= ThirdColor; ++range) {
        Polyline& path = *colorPaths[range];
        if (!path.empty())   // the point before the run; the start point for the very first one
            path[0] = curve.fillPath[plan.colorStart[range]];
    }
    if (plan.count > 0)
        curve.lastRunnerCenter = runnerCentre(geometry, plan.last.orbit);
    if (closing) {
        Polyline& last = *colorPaths[lastRange];
        // A colour range that received no point has nothing to close from.
        if (!last.empty())
            last.push_back(curve.startPoint);
    }
    return curve;
}
