#include "art/CurveTrace.h"

#include "art/CurveTraceOptions.h"
#include "art/CurveTracePoints.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <system_error>
#include <thread>

#if defined(__linux__)
#include <sys/mman.h>
#endif

using namespace curvetrace;

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

// The precise trace's steps: a revolution cut into the same whole number of steps as the
// ordinary trace's, each exactly a revolution's share, so that every revolution's points fall at
// the same angles; the whole curve in the whole number of them that reaches its total angle, the
// last step shortened to land on it. A part of the curve takes the whole curve's steps as far as
// it reaches, so that it is an exact prefix of it. NaN steps for no point at all.
struct PreciseSteps {
    double steps = std::nan("");
    double step = 0;
};

// Within a rounding of a whole number of steps, an angle takes that number.
constexpr double kRounding = 1e-9;

// The ordinary trace's steps a revolution, a whole number.
double stepsPerRevolution(const CurveParameters& p)
{
    return std::round(double(kTwoPi) / double(orbitStep(p.anchorRadius, p.runnerRadius)));
}

// Nested wheels: as many steps again as their fastest turns faster than the runner, so that no
// wheel turns further in a step than the runner of a two-wheel curve does and the curve is as
// smooth. A runner that does not turn sets no pace: then no wheel turns more than the longest
// step. Wheels no faster than the runner take its steps, so that nested wheels of radius 0 leave
// the very points of the precise two-wheel curve.
double stepsPerRevolution(const CurveParameters& p, const WheelTrain& train)
{
    const double twoWheel = stepsPerRevolution(p);
    const double runnerTurn = std::fabs(train.turnRate[1]);
    const double fastest = train.fastestTurn();
    const double steps = runnerTurn > 0 && std::isfinite(runnerTurn)
        ? twoWheel * (fastest / runnerTurn)
        : 2 * M_PI * fastest / double(kMaxStep);
    return steps > twoWheel && std::isfinite(steps) ? std::ceil(steps - kRounding) : twoWheel;
}

PreciseSteps preciseStepsOf(const CurveParameters& p, double perRevolution)
{
    const double whole = double(p.rotationsToMake) * (2 * M_PI);
    const double part = whole * double(p.percentToDraw) / 100;
    if (!(whole >= 0) || !(part >= 0))
        return {};
    const double wholeSteps = std::ceil(whole / (2 * M_PI) * perRevolution - kRounding);
    if (!(wholeSteps > 0))
        return {0, 0};
    const double step = whole / wholeSteps;
    return {std::min(std::floor(part / step + kRounding), wholeSteps), step};
}

// The orbit angle past which no point is traced: negative or NaN for none at all.
float totalAngleOf(const CurveParameters& p)
{
    return ((p.rotationsToMake * kTwoPi) * p.percentToDraw) / 100.0f;
}

enum ColorRange { FirstColor, SecondColor, ThirdColor };

// Written so that a full angle of 0 or NaN puts every point in the middle range, as the
// comparisons fall. For any full angle the range only rises with the orbit angle, so each range
// is one unbroken run of points.
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

ColorRange lastColorRange(int32_t numberOfColors)
{
    return numberOfColors == 3 ? ThirdColor : numberOfColors == 2 ? SecondColor : FirstColor;
}

// Points traced between two looks at the cancel flag: well under a millisecond of work on any
// path, and few enough looks to cost nothing.
constexpr std::size_t kCancelCheckInterval = 4096;

bool isSet(const std::atomic<bool>* flag) { return flag && flag->load(std::memory_order_relaxed); }

struct PointPlan {
    std::size_t count = 0;              // points to trace
    std::size_t colorStart[3] = {};     // index of the first point of each colour range
    std::size_t colorCount[3] = {};
    Angles resumeAt;                    // the angles of point `resumeIndex`, about halfway
    std::size_t resumeIndex = 0;
    Angles last;                        // the angles of the last point
    float runnerAngleAfter = 0;         // already advanced past the last point
    bool truncated = false;
    bool cancelled = false;
};

// The orbit angle from which the colour range may differ from the one at `t`: the lowest range
// boundary not yet passed (0.33 and 0.66, or 0.5, of the full angle; a NaN one is never reached).
// Before it the range cannot change, so it is not looked up.
double nextColorBoundary(double t, double fullAngle, int32_t numberOfColors)
{
    double next = std::numeric_limits<double>::infinity();
    const double boundaries[] = {0.33 * fullAngle, 0.66 * fullAngle, 0.5 * fullAngle};
    const int first = numberOfColors == 2 ? 2 : 0;
    const int end = numberOfColors == 3 ? 2 : numberOfColors == 2 ? 3 : 0;
    for (int i = first; i < end; ++i)
        if (boundaries[i] >= t)
            next = std::min(next, boundaries[i]);
    return next;
}

// The first pass: counts the points and the colour runs without computing a coordinate, and
// keeps the angles at the midpoint so that a second thread can start there.
PointPlan planPoints(const Angles& increment, float totalAngle, double fullAngle,
                     int32_t numberOfColors, bool zeroRunner, std::size_t budget, const std::atomic<bool>* cancel)
{
    PointPlan plan;
    if (!(totalAngle >= 0))   // negative or NaN: no point at all
        return plan;
    if (budget == 0) {
        plan.truncated = true;
        return plan;
    }
    ColorRange range = colorRangeAt(0, fullAngle, numberOfColors);
    double recheckColorFrom = nextColorBoundary(0, fullAngle, numberOfColors);
    const double expectedCount = static_cast<double>(totalAngle) / increment.orbit + 1;
    const auto halfway = static_cast<std::size_t>(std::min(expectedCount, double(budget)) / 2);
    Angles a;
    std::size_t count = 0;
    for (bool ended = false; !ended;) {
        // Runs of points between looks at the cancel flag, one of them ending at halfway.
        if (isSet(cancel)) {
            plan.cancelled = true;
            return plan;
        }
        if (count == halfway) {
            plan.resumeAt = a;
            plan.resumeIndex = halfway;
        }
        const std::size_t stop = std::min(count + kCancelCheckInterval, count < halfway ? halfway : budget);
        while (true) {
            if (a.orbit >= recheckColorFrom) {
                const ColorRange r = colorRangeAt(a.orbit, fullAngle, numberOfColors);
                if (r != range) {
                    plan.colorCount[range] = count - plan.colorStart[range];
                    range = r;
                    plan.colorStart[range] = count;
                }
                recheckColorFrom = nextColorBoundary(a.orbit, fullAngle, numberOfColors);
            }
            ++count;
            // A zero runner turns infinitely fast: only the first point, taken before it turns, exists.
            if (zeroRunner) {
                ended = true;
                break;
            }
            a.runner += increment.runner;
            const float nextOrbit = a.orbit + increment.orbit;
            if (!(nextOrbit <= totalAngle)) {
                ended = true;
                break;
            }
            if (count == budget || nextOrbit == a.orbit) {
                plan.truncated = true;
                ended = true;
                break;
            }
            a.orbit = nextOrbit;
            if (count == stop)
                break;
        }
    }
    plan.count = count;
    plan.colorCount[range] = count - plan.colorStart[range];
    plan.last = a;
    plan.runnerAngleAfter = a.runner;
    return plan;
}

struct RangeResult {
    std::size_t recomputed = 0;
    bool allFinite = true;
    bool cancelled = false;
};

// The second pass over points [first, end), from the angles of point `first`; point i goes to
// out[i]. Runs of a few thousand points, with a look at the cancel flag before each.
void tracePointRange(PointRunFunction traceRun, const PenGeometry& geometry, Angles a,
                     std::size_t first, std::size_t end, TracedPoint* out,
                     const std::atomic<bool>* cancel, RangeResult& result)
{
    for (std::size_t i = first; i < end; i += kCancelCheckInterval) {
        if (isSet(cancel)) {
            result.cancelled = true;
            return;
        }
        const PointRun run = traceRun(geometry, a, std::min(kCancelCheckInterval, end - i), out + i);
        a = run.next;
        result.recomputed += run.recomputed;
        result.allFinite &= run.allFinite;
    }
}

// For a long curve, first touching the memory is a large share of the work: a page fault for
// every 4 KiB. Huge pages, where the system offers them on request, take one fault for 2 MiB.
void adviseHugePages(const void* data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    const auto first = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (first + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (first + bytes) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);   // only advice
#else
    (void)data;
    (void)bytes;
#endif
}

std::size_t budgetOf(const CurveParameters& p)
{
    return std::min(p.pointBudget, kTracePointBudget);
}

// The steps a revolution of the precise trace takes: the screen's, or more where an output asks
// for its chords to lie within chordError of the curve. A step of h radians of orbit strays from
// its chord by at most M h² / 8, M bounding the pen's acceleration: each arm's length times its
// turn rate squared. Never more steps than the curve's budget holds in full: a finer trace cut
// short would lose its end.
double preciseStepsPerRevolution(const CurveParameters& p, const WheelTrain* train)
{
    const double screen = train ? stepsPerRevolution(p, *train) : stepsPerRevolution(p);
    if (!(p.chordError > 0))
        return screen;
    double bend = 0;
    if (train) {
        const double fastest = std::max(1.0, std::fabs(train->fastestTurn()));
        bend = train->penReach() * fastest * fastest;
    } else {
        const double anchor = p.anchorRadius;
        const double runner = p.runnerRadius;
        const double turn = (p.greaseIt ? anchor + anchor : anchor + runner) / runner;
        bend = std::fabs(anchor + runner) + std::fabs(double(p.penHoleRadius)) * turn * turn;
    }
    const double fine = std::ceil(2 * M_PI / std::sqrt(8 * p.chordError / bend));
    const double most = std::floor(double(budgetOf(p) - 1) / double(p.rotationsToMake));
    const double steps = std::min(fine, most);
    return std::isfinite(bend) && bend > 0 && std::isfinite(steps) && steps > screen ? steps : screen;
}

// Below this many points a second thread costs more than it saves.
constexpr std::size_t kParallelThreshold = 16'384;

}

// Fills a TracedCurve; the one place that sees its storage.
class CurveTracer
{
public:
    static bool trace(const CurveParameters& p, TracedCurve& curve, const TraceOptions& options);

private:
    static bool tracePrecisely(const CurveParameters& p, TracedCurve& curve, const TraceOptions& options);
    static bool traceNested(const CurveParameters& p, TracedCurve& curve, const TraceOptions& options);
    static bool planPrecisely(const CurveParameters& p, const PreciseSteps& precise,
                              const std::atomic<bool>* cancel, PointPlan& plan);
    static void makeRoom(TracedCurve::Storage& storage, std::size_t points);
    static TracedPoint* layOut(TracedCurve& curve, const CurveParameters& p, const PointPlan& plan, TracedPoint start);
    static void clear(TracedCurve& curve);
};

void CurveTracer::makeRoom(TracedCurve::Storage& storage, std::size_t points)
{
    auto& array = storage.points;
    if (points > array.capacity()) {
        decltype(storage.points)().swap(array);   // the old array goes before a larger one comes
        array.reserve(points);
        adviseHugePages(array.data(), points * sizeof(TracedPoint));
    }
    array.resize(points);   // within the capacity: no allocation, and no point is written
}

// Makes room for the plan's points and lays the paths over them: the start point, then the
// points traced, then the start point again when the curve closes. Returns where the points traced go.
TracedPoint* CurveTracer::layOut(TracedCurve& curve, const CurveParameters& p, const PointPlan& plan, TracedPoint start)
{
    // The closing segment goes to the last colour range's path; one that received no point has
    // no path to close, except penPath, which always begins at the start point.
    const int lastRange = lastColorRange(p.numberOfColors);
    const bool closes = p.closeCurve && p.percentToDraw >= 100
        && (lastRange == FirstColor || plan.colorCount[lastRange] > 0);
    TracedCurve::Storage& storage = curve.m_storage;
    makeRoom(storage, 1 + plan.count + (closes ? 1 : 0));
    TracedPoint* const points = storage.points.data();
    points[0] = start;
    if (closes)
        points[1 + plan.count] = start;
    TracedCurve::Layout& layout = storage.layout;
    layout.fill = {0, 1 + plan.count};
    for (int range = FirstColor; range <= ThirdColor; ++range) {
        const std::size_t count = plan.colorCount[range];
        const std::size_t closing = closes && range == lastRange ? 1 : 0;
        // Point i is points[1 + i]: a run that starts at point k begins its path at points[k],
        // the point before it, or the start point for the very first.
        layout.pens[range] = range == FirstColor || count > 0
            ? TracedCurve::Range{plan.colorStart[range], 1 + count + closing}
            : TracedCurve::Range{};
    }
    return points;
}

// The points of a trace in `precise` steps, within the budget, and where each colour range
// begins. False when cancelled.
bool CurveTracer::planPrecisely(const CurveParameters& p, const PreciseSteps& precise,
                                const std::atomic<bool>* cancel, PointPlan& plan)
{
    const double fullAngle = double(p.rotationsToMake) * (2 * M_PI);
    const std::size_t budget = budgetOf(p);
    const double step = precise.step;
    if (precise.steps >= 0 && budget > 0) {
        const bool zeroRunner = p.runnerRadius == 0;
        plan.truncated = !zeroRunner && !(precise.steps < double(budget));
        plan.count = zeroRunner ? 1 : plan.truncated ? budget : std::size_t(precise.steps) + 1;
    } else {
        plan.truncated = budget == 0 && precise.steps >= 0;
    }
    // Each colour range is the run of points whose angle falls in it: find where each begins.
    int range = FirstColor;
    for (std::size_t i = 0; i < plan.count; ++i) {
        const int r = colorRangeAt(float(double(i) * step), fullAngle, p.numberOfColors);
        if (r != range) {
            plan.colorCount[range] = i - plan.colorStart[range];
            range = r;
            plan.colorStart[range] = i;
        }
        if (i % kCancelCheckInterval == 0 && isSet(cancel))
            return false;
    }
    plan.colorCount[range] = plan.count - plan.colorStart[range];
    return true;
}

// Every angle from its point's index, in double precision, with the step shortened just enough
// that the last point lands on the total angle: extra revolutions go over the same line, and a
// curve that closes meets its start. One thread: each point is a few sines and cosines.
bool CurveTracer::tracePrecisely(const CurveParameters& p, TracedCurve& curve, const TraceOptions& options)
{
    const double anchor = p.anchorRadius;
    const double runner = p.runnerRadius;
    const double centreDistance = anchor + runner;
    const double turnRatio = p.greaseIt ? (anchor + anchor) / runner : centreDistance / runner;
    const PreciseSteps precise = preciseStepsOf(p, preciseStepsPerRevolution(p, nullptr));
    const double step = precise.step;
    PointPlan plan;
    if (!planPrecisely(p, precise, options.cancel, plan)) {
        clear(curve);
        return false;
    }

    const double penHole = p.penHoleRadius;
    const TracedPoint start{float(centreDistance + penHole), 0};
    TracedPoint* const points = layOut(curve, p, plan, start) + 1;
    bool allFinite = isFinite(start);
    for (std::size_t i = 0; i < plan.count; ++i) {
        if (i % kCancelCheckInterval == 0 && isSet(options.cancel)) {
            clear(curve);
            return false;
        }
        const double orbit = double(i) * step;
        const double turn = runner == 0 ? 0 : turnRatio * orbit;
        points[i] = {float(centreDistance * std::cos(orbit) + penHole * std::cos(turn)),
                     float(centreDistance * std::sin(orbit) + penHole * std::sin(turn))};
        allFinite = allFinite && isFinite(points[i]);
    }
    const double lastOrbit = plan.count > 0 ? double(plan.count - 1) * step : 0;
    curve.startPoint = {start.x, start.y};
    curve.lastRunnerCenter = plan.count > 0 ? CurvePoint{float(centreDistance * std::cos(lastOrbit)),
                                                          float(centreDistance * std::sin(lastOrbit))}
                                            : CurvePoint{0, 0};
    curve.lastRunnerAngle = runner == 0 ? 0.0f : float(turnRatio * lastOrbit);
    curve.lastOrbitAngle = lastOrbit;
    curve.truncated = plan.truncated;
    curve.allPointsFinite = allFinite;
    return true;
}

// As the precise trace, in the steps of the fastest wheel. One thread: a point is a few
// multiplications, about as fast as the ordinary trace's vector paths on one.
bool CurveTracer::traceNested(const CurveParameters& p, TracedCurve& curve, const TraceOptions& options)
{
    const WheelTrain train = wheelTrain(p);
    const PreciseSteps precise = preciseStepsOf(p, preciseStepsPerRevolution(p, &train));
    PointPlan plan;
    if (!planPrecisely(p, precise, options.cancel, plan)) {
        clear(curve);
        return false;
    }
    const WheelsAt first = train.at(0);
    const TracedPoint start{float(first.penX), float(first.penY)};
    TracedPoint* const points = layOut(curve, p, plan, start) + 1;
    const PenArms arms = penArms(train, precise.step);
    bool allFinite = isFinite(start);
    for (std::size_t i = 0; i < plan.count; i += kCancelCheckInterval) {
        if (isSet(options.cancel)) {
            clear(curve);
            return false;
        }
        allFinite &= tracePenArms(arms, i, std::min(kCancelCheckInterval, plan.count - i), points + i);
    }
    const double lastOrbit = plan.count > 0 ? double(plan.count - 1) * precise.step : 0;
    const WheelPlace runner = train.at(lastOrbit).wheels[1];
    curve.startPoint = {start.x, start.y};
    curve.lastRunnerCenter = plan.count > 0 ? CurvePoint{float(runner.x), float(runner.y)} : CurvePoint{0, 0};
    curve.lastRunnerAngle = float(runner.angle);
    curve.lastOrbitAngle = lastOrbit;
    curve.truncated = plan.truncated;
    curve.allPointsFinite = allFinite;
    return true;
}

void CurveTracer::clear(TracedCurve& curve)
{
    curve.m_storage.points.clear();
    curve.m_storage.layout = {};
    curve.startPoint = {0, 0};
    curve.lastRunnerCenter = {0, 0};
    curve.lastRunnerAngle = 0;
    curve.lastOrbitAngle = 0;
    curve.truncated = false;
    curve.allPointsFinite = true;
}

bool CurveTracer::trace(const CurveParameters& p, TracedCurve& curve, const TraceOptions& options)
{
    if (rollingNestedWheels(p.nested, p.runnerRadius) > 0)
        return traceNested(p, curve, options);
    if (p.precise)
        return tracePrecisely(p, curve, options);
    const float centreDistance = p.anchorRadius + p.runnerRadius;
    const float turnRatio = p.greaseIt ? (p.anchorRadius + p.anchorRadius) / p.runnerRadius
                                       : centreDistance / p.runnerRadius;
    const double fullAngle = p.rotationsToMake * kTwoPi;
    const float step = orbitStep(p.anchorRadius, p.runnerRadius);
    const Angles increment{step, turnRatio * step};
    const PenGeometry geometry{centreDistance, p.penHoleRadius, increment};
    const bool zeroRunner = p.runnerRadius == 0;

    const PointPlan plan = planPoints(increment, totalAngleOf(p), fullAngle, p.numberOfColors,
                                      zeroRunner, budgetOf(p), options.cancel);
    if (plan.cancelled) {
        clear(curve);
        return false;
    }

    const TracedPoint start{centreDistance + p.penHoleRadius, 0};
    TracedPoint* const points = layOut(curve, p, plan, start);

    // The sines and cosines are nearly all the cost, and once its angles are known each point
    // stands alone: a long curve's second half goes to another thread, when one can be had.
    const PointRunFunction traceRun = pointRunFunction(options.path);
    TracedPoint* const tracedPoints = points + 1;
    RangeResult firstHalf, secondHalf;
    std::thread worker;
    if (options.mayUseSecondThread && plan.count >= kParallelThreshold
        && std::thread::hardware_concurrency() >= 2) {
        try {
            worker = std::thread(tracePointRange, traceRun, std::cref(geometry), plan.resumeAt,
                                 plan.resumeIndex, plan.count, tracedPoints, options.cancel,
                                 std::ref(secondHalf));
        } catch (const std::system_error&) {
            // No thread to be had: this one traces every point.
        }
    }
    tracePointRange(traceRun, geometry, Angles{}, 0, worker.joinable() ? plan.resumeIndex : plan.count,
                    tracedPoints, options.cancel, firstHalf);
    if (worker.joinable())
        worker.join();
    if (firstHalf.cancelled || secondHalf.cancelled) {
        clear(curve);
        return false;
    }
    if (options.recomputedPoints)
        *options.recomputedPoints = firstHalf.recomputed + secondHalf.recomputed;

    curve.startPoint = {start.x, start.y};
    curve.lastRunnerCenter = {0, 0};
    if (plan.count > 0) {
        const TracedPoint centre = runnerCentre(geometry, plan.last.orbit);
        curve.lastRunnerCenter = {centre.x, centre.y};
    }
    curve.lastOrbitAngle = plan.last.orbit;
    // The angle of the last point, where the overlay draws the runner. A zero runner never turns.
    curve.lastRunnerAngle = zeroRunner ? 0.0f : plan.runnerAngleAfter - increment.runner;
    curve.truncated = plan.truncated;
    curve.allPointsFinite = isFinite(start) && firstHalf.allFinite && secondHalf.allFinite;
    return true;
}

TracedCurve traceCurve(const CurveParameters& p)
{
    TracedCurve curve;
    traceCurve(p, curve);
    return curve;
}

bool traceCurve(const CurveParameters& p, TracedCurve& into, const std::atomic<bool>* cancel)
{
    TraceOptions options;
    options.cancel = cancel;
    return CurveTracer::trace(p, into, options);
}

bool traceCurve(const CurveParameters& p, TracedCurve& into, const TraceOptions& options)
{
    return CurveTracer::trace(p, into, options);
}

double pointsPerRevolution(const CurveParameters& p)
{
    if (rollingNestedWheels(p.nested, p.runnerRadius) > 0) {
        const WheelTrain train = wheelTrain(p);
        return preciseStepsPerRevolution(p, &train);
    }
    if (p.precise && p.chordError > 0)
        return preciseStepsPerRevolution(p, nullptr);
    return static_cast<double>(kTwoPi / orbitStep(p.anchorRadius, p.runnerRadius));
}

std::size_t estimatedPointCount(const CurveParameters& p)
{
    const bool nested = rollingNestedWheels(p.nested, p.runnerRadius) > 0;
    if (p.precise || nested) {
        const WheelTrain train = nested ? wheelTrain(p) : WheelTrain();
        const double steps = preciseStepsOf(p, preciseStepsPerRevolution(p, nested ? &train : nullptr)).steps;
        const std::size_t budget = budgetOf(p);
        if (!(steps >= 0) || budget == 0)
            return 0;
        if (p.runnerRadius == 0)
            return 1;
        return steps < double(budget) ? std::size_t(steps) + 1 : budget;
    }
    const float total = totalAngleOf(p);
    if (!(total >= 0))
        return 0;
    const std::size_t budget = budgetOf(p);
    if (budget == 0)
        return 0;
    if (p.runnerRadius == 0)
        return 1;
    const float step = orbitStep(p.anchorRadius, p.runnerRadius);
    // Follows the loop's sums 0, 0 + step, (0 + step) + step, ... In one binade [2^e, 2^(e+1))
    // all floats are multiples of one gap u, and a sum x + step that stays in it is x plus step
    // rounded to a multiple of u: the same advance every time, so a run of them is counted at
    // once. (Where step lies halfway between two multiples of u, ties to even may change the
    // advance once before it settles: two equal advances in a row within the binade show that
    // it has.) So the loop below takes a few turns per binade, not one per point.
    std::size_t count = 1;   // the point at angle 0
    float x = 0;
    constexpr int kNoBinade = std::numeric_limits<int>::min();
    float settledAdvance = 0;
    int settledBinade = kNoBinade;
    while (count < budget) {
        const float next = x + step;
        if (!(next <= total) || next == x)
            break;
        const float advance = next - x;   // exact: next is at most twice x, or x is 0
        const int binade = x > 0 && std::ilogb(x) == std::ilogb(next) ? std::ilogb(x) : kNoBinade;
        x = next;
        ++count;
        if (binade == kNoBinade || binade != settledBinade || advance != settledAdvance) {
            settledBinade = binade;
            settledAdvance = advance;
            continue;
        }
        // Jump over the sums that stay below the binade's top (and one more short of it, so
        // that the sum that leaves the binade is taken by the loop above).
        const double gap = std::ldexp(1.0, binade - 23);
        const double top = std::ldexp(1.0, binade + 1);
        const auto advanceGaps = static_cast<std::size_t>(advance / gap);
        const auto gapsToTop = static_cast<std::size_t>((top - x) / gap);
        std::size_t jump = gapsToTop > 2 * advanceGaps ? (gapsToTop - 1) / advanceGaps - 1 : 0;
        if (total < top)   // then in this binade: a multiple of the gap
            jump = std::min(jump, static_cast<std::size_t>((total - x) / gap) / advanceGaps);
        jump = std::min(jump, budget - count);
        x = static_cast<float>(x + static_cast<double>(jump) * advance);   // exact: a float of this binade
        count += jump;
    }
    return count;
}
