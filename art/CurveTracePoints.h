#pragma once

// The inner loop of tracing: the coordinates of a run of consecutive points, in a plain scalar
// form and in vector forms that give the same bits. Internal to the trace library.

#include "art/CurveTrace.h"
#include "art/CurveTraceOptions.h"
#include "art/NestedWheels.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace curvetrace {

// Where one point stands in the accumulation: the angles are summed, never computed as
// index × step, because the point count and the colour of a point on a colour boundary depend
// on the 32-bit sums. Resuming from a saved position reproduces the same sums exactly.
struct Angles {
    float orbit = 0;
    float runner = 0;
};

struct PenGeometry {
    double centreDistance;
    double penHoleRadius;
    Angles increment;
};

// What a run of points reports beside the points it wrote.
struct PointRun {
    Angles next;                  // the angles of the point after the run
    std::size_t recomputed = 0;   // points a vector path handed to the scalar functions
    bool allFinite = true;
};

inline bool isFinite(const TracedPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// The runner's centre: 64-bit cosine and sine of the widened angle, each product rounded to
// 32 bits.
inline TracedPoint runnerCentre(const PenGeometry& g, float orbitAngle)
{
    const double t = orbitAngle;
    return {static_cast<float>(g.centreDistance * std::cos(t)),
            static_cast<float>(g.centreDistance * std::sin(t))};
}

// One pen point as the curve's arithmetic defines it: the centre widened, plus the pen's arm
// from 64-bit cosine and sine, each sum rounded to 32 bits. The vector paths reproduce these
// bits, and fall back on this function where they cannot be sure to. It is never inlined, so
// that the scalar loop and that fallback run the very same instructions: where both operands
// of a product are NaN, which one the result copies depends on the order the compiler chose,
// and even the sign of a NaN coordinate then agrees.
TracedPoint penPoint(const PenGeometry& g, float orbitAngle, float runnerAngle);

// Writes `count` consecutive points, the first at angles `first`, to out[0, count).
using PointRunFunction = PointRun (*)(const PenGeometry& g, Angles first, std::size_t count,
                                      TracedPoint* out);

PointRun traceRunScalar(const PenGeometry& g, Angles first, std::size_t count, TracedPoint* out);
PointRun traceRunAvx2(const PenGeometry& g, Angles first, std::size_t count, TracedPoint* out);
PointRun traceRunAvx512(const PenGeometry& g, Angles first, std::size_t count, TracedPoint* out);

// The run function of a path. Automatic becomes the widest path the processor runs; a path it
// lacks, the scalar one.
PointRunFunction pointRunFunction(TracePath path);

// Nested wheels: the pen as a sum of arms turning steadily (see NestedWheels.h), each point's
// angles from its index. Every kArmBlock-th point takes its arms' sines and cosines afresh; the
// points between turn them on by a table of the turns of 0 to kArmBlock - 1 steps, made once.
// Each point is so one product away from exact angles, far below a float's rounding, and the
// table keeps the work per point to a few multiplications.
constexpr std::size_t kArmBlock = 64;

struct PenArms {
    int count = 0;                                 // the wheels' arms and the pen's
    std::array<double, kMostWheels> length{};
    std::array<double, kMostWheels> rate{};        // radians per radian of orbit
    double step = 0;                               // of orbit, between points
    std::array<std::array<double, kArmBlock>, kMostWheels> turnCos{}, turnSin{};
};

PenArms penArms(const WheelTrain& train, double step);

// Writes points [first, first + count) to out[0, count). False when one is not finite.
bool tracePenArms(const PenArms& arms, std::size_t first, std::size_t count, TracedPoint* out);

}
