// Traces a design made of raw bytes, every float any bit pattern (NaN, the infinities,
// subnormals), and checks what callers of the trace rely on: never more points than the budget,
// `truncated` set only where the budget cut the curve, every colour path a contiguous stretch of
// the outline joined to the one before, the closing point where it belongs, and a partial trace
// an exact prefix of the whole. Up to two nested wheels roll on the runner.
//
// A trace costs about 25 ns a point, 100 ms at the budget, and several times that under the
// sanitizers. Designs of more than kMaxTurns revolutions, whole or at the percentage drawn, are
// left out, so that a run takes milliseconds; they never reach the budget, which
// tst_curvetrace checks with a design that does.

#include "art/CurveTrace.h"
#include "art/NestedWheels.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr float kMaxTurns = 10;   // about 63,000 points with the smallest step
// Nested wheels set the step by the fastest of them: a tiny one takes many points a revolution.
constexpr std::size_t kMostNestedPoints = 100'000;
constexpr float kWholeCurve = 100;

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "fuzz_trace: %s\n", what);
        std::abort();
    }
}

float anyFloat(FuzzedDataProvider& data)
{
    const auto bits = data.ConsumeIntegral<std::uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Bit for bit: NaN coordinates are equal when they were computed alike.
bool samePoint(const CurvePoint& a, const CurvePoint& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameStretch(const PolylineView& path, std::size_t count, const PolylineView& outline, std::size_t first)
{
    if (first + count > outline.size())
        return false;
    for (std::size_t i = 0; i < count; ++i)
        if (!samePoint(path[i], outline[first + i]))
            return false;
    return true;
}

bool isPrefix(const PolylineView& part, std::size_t partCount, const PolylineView& whole, std::size_t wholeCount)
{
    return partCount <= wholeCount && sameStretch(part, partCount, whole, 0);
}

// The colour path that receives the closing point, for this number of colours.
int closingPath(int32_t numberOfColors)
{
    return numberOfColors == 3 ? 2 : numberOfColors == 2 ? 1 : 0;
}

bool closes(const CurveParameters& p)
{
    return p.closeCurve && p.percentToDraw >= kWholeCurve;
}

// The points of a colour path that the trace took from the outline: all but a closing point.
std::size_t tracedCount(const TracedCurve& curve, const CurveParameters& p, int path)
{
    const PolylineView paths[] = {curve.penPath(), curve.pen2Path(), curve.pen3Path()};
    const std::size_t size = paths[path].size();
    return size > 0 && closes(p) && path == closingPath(p.numberOfColors) ? size - 1 : size;
}

void checkCurve(const TracedCurve& curve, const CurveParameters& p)
{
    CurvePoint start{(p.anchorRadius + p.runnerRadius) + p.penHoleRadius, 0};
    if (rollingNestedWheels(p.nested, p.runnerRadius) > 0) {
        const WheelsAt at = wheelsAt(p, 0);
        start = {static_cast<float>(at.penX), static_cast<float>(at.penY)};
    }
    require(samePoint(curve.startPoint, start), "the start point is (anchor + runner + pen hole, 0)");
    require(!curve.fillPath().empty() && samePoint(curve.fillPath().front(), start), "the outline begins at the start");
    require(!curve.penPath().empty() && samePoint(curve.penPath().front(), start), "the first pen begins at the start");

    const std::size_t points = curve.fillPath().size() - 1;
    require(points <= kTracePointBudget, "no more points than the budget");
    require(!curve.truncated || points == kTracePointBudget, "truncated only where the budget cut");

    // Each colour path continues the outline from the last point of the one before.
    const PolylineView paths[] = {curve.penPath(), curve.pen2Path(), curve.pen3Path()};
    std::size_t reached = 0;
    for (int path = 0; path < 3; ++path) {
        const std::size_t count = tracedCount(curve, p, path);
        if (count == 0)
            continue;
        require(sameStretch(paths[path], count, curve.fillPath(), reached), "a colour path is a stretch of the outline");
        reached += count - 1;
        if (count < paths[path].size())
            require(samePoint(paths[path].back(), start), "the closing point is the start");
    }
    require(reached == points, "the colour paths cover the outline");
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    CurveParameters p;
    p.anchorRadius = anyFloat(data);
    p.runnerRadius = anyFloat(data);
    p.penHoleRadius = anyFloat(data);
    p.rotationsToMake = anyFloat(data);
    p.percentToDraw = anyFloat(data);
    p.numberOfColors = data.ConsumeIntegral<int32_t>();
    p.greaseIt = data.ConsumeBool();
    p.closeCurve = data.ConsumeBool();
    p.nested.count = data.ConsumeIntegralInRange(0, kMostNestedWheels);
    for (int k = 0; k < p.nested.count; ++k)
        p.nested.radii[std::size_t(k)] = anyFloat(data);
    // Written so that NaN is kept: it traces no point.
    const auto tooLong = [](float turns) { return std::fabs(turns) > kMaxTurns; };
    if (tooLong(p.rotationsToMake) || tooLong(p.rotationsToMake * p.percentToDraw / kWholeCurve))
        return -1;   // not worth keeping in the corpus
    if (p.nested.count > 0) {
        CurveParameters whole = p;
        whole.percentToDraw = std::max(kWholeCurve, p.percentToDraw);
        if (!(estimatedPointCount(whole) <= kMostNestedPoints))
            return -1;
    }

    const TracedCurve curve = traceCurve(p);
    checkCurve(curve, p);
    // Only a percentage between 0 and 100 of revolutions that are not negative is a part of the
    // whole. Negative revolutions trace nothing as a whole, yet the start at 0 %, where the
    // total angle is 0, and forwards at a negative percentage.
    if (!(p.rotationsToMake >= 0 && p.percentToDraw >= 0 && p.percentToDraw <= kWholeCurve))
        return 0;

    CurveParameters whole = p;
    whole.percentToDraw = kWholeCurve;
    const TracedCurve wholeCurve = traceCurve(whole);
    checkCurve(wholeCurve, whole);
    require(isPrefix(curve.fillPath(), curve.fillPath().size(), wholeCurve.fillPath(), wholeCurve.fillPath().size()),
            "a partial outline is a prefix");
    const PolylineView parts[] = {curve.penPath(), curve.pen2Path(), curve.pen3Path()};
    const PolylineView wholes[] = {wholeCurve.penPath(), wholeCurve.pen2Path(), wholeCurve.pen3Path()};
    for (int path = 0; path < 3; ++path)
        require(isPrefix(parts[path], tracedCount(curve, p, path), wholes[path], tracedCount(wholeCurve, whole, path)),
                "a partial colour path is a prefix");
    return 0;
}
