#include "art/CurveTracePoints.h"

#include <algorithm>

namespace curvetrace {

[[gnu::noinline]] TracedPoint penPoint(const PenGeometry& g, float orbitAngle, float runnerAngle)
{
    const TracedPoint centre = runnerCentre(g, orbitAngle);
    const double r = runnerAngle;
    return {static_cast<float>(centre.x + g.penHoleRadius * std::cos(r)),
            static_cast<float>(centre.y + g.penHoleRadius * std::sin(r))};
}

PointRun traceRunScalar(const PenGeometry& g, Angles first, std::size_t count, TracedPoint* out)
{
    PointRun run;
    Angles a = first;
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = penPoint(g, a.orbit, a.runner);
        run.allFinite &= isFinite(out[i]);
        a.orbit += g.increment.orbit;
        a.runner += g.increment.runner;
    }
    run.next = a;
    return run;
}

PointRunFunction pointRunFunction(TracePath path)
{
    if (path == TracePath::Automatic)
        path = isTracePathAvailable(TracePath::Avx512) ? TracePath::Avx512
             : isTracePathAvailable(TracePath::Avx2)   ? TracePath::Avx2
                                                       : TracePath::Scalar;
    if (!isTracePathAvailable(path))
        return traceRunScalar;
    switch (path) {
    case TracePath::Avx2:
        return traceRunAvx2;
    case TracePath::Avx512:
        return traceRunAvx512;
    case TracePath::Automatic:
    case TracePath::Scalar:
        break;
    }
    return traceRunScalar;
}

PenArms penArms(const WheelTrain& train, double step)
{
    PenArms arms;
    arms.count = train.count;
    for (std::size_t k = 1; k < std::size_t(train.count); ++k) {
        arms.length[k - 1] = train.centreDistance[k];
        arms.rate[k - 1] = train.turnRate[k - 1] + 1;
    }
    const std::size_t pen = std::size_t(train.count - 1);
    arms.length[pen] = train.penHole;
    arms.rate[pen] = train.turnRate[pen];
    arms.step = step;
    for (std::size_t a = 0; a < std::size_t(arms.count); ++a) {
        for (std::size_t m = 0; m < kArmBlock; ++m) {
            const double turn = arms.rate[a] * (double(m) * step);
            arms.turnCos[a][m] = std::cos(turn);
            arms.turnSin[a][m] = std::sin(turn);
        }
    }
    return arms;
}

namespace {

// The arms' count fixed, so that the sum over them unrolls.
template <int Arms>
bool tracePenArmsOf(const PenArms& arms, std::size_t first, std::size_t count, TracedPoint* out)
{
    bool allFinite = true;
    const std::size_t end = first + count;
    for (std::size_t i = first; i < end;) {
        const std::size_t block = i / kArmBlock;
        const double blockOrbit = double(block * kArmBlock) * arms.step;
        double x0[Arms], y0[Arms];
        for (int a = 0; a < Arms; ++a) {
            const double angle = arms.rate[std::size_t(a)] * blockOrbit;
            x0[a] = arms.length[std::size_t(a)] * std::cos(angle);
            y0[a] = arms.length[std::size_t(a)] * std::sin(angle);
        }
        const std::size_t from = i - block * kArmBlock;
        const std::size_t to = std::min(kArmBlock, from + (end - i));
        TracedPoint* const at = out + (i - first);
        for (std::size_t m = from; m < to; ++m) {
            double x = 0, y = 0;
            for (int a = 0; a < Arms; ++a) {
                const double c = arms.turnCos[std::size_t(a)][m];
                const double s = arms.turnSin[std::size_t(a)][m];
                x += x0[a] * c - y0[a] * s;
                y += x0[a] * s + y0[a] * c;
            }
            at[m - from] = {float(x), float(y)};
            allFinite = allFinite && isFinite(at[m - from]);
        }
        i += to - from;
    }
    return allFinite;
}

}

bool tracePenArms(const PenArms& arms, std::size_t first, std::size_t count, TracedPoint* out)
{
    switch (arms.count) {
    case 2: return tracePenArmsOf<2>(arms, first, count, out);
    case 3: return tracePenArmsOf<3>(arms, first, count, out);
    default: return tracePenArmsOf<kMostWheels>(arms, first, count, out);
    }
}

}

bool isTracePathAvailable(TracePath path)
{
    switch (path) {
    case TracePath::Automatic:
    case TracePath::Scalar:
        return true;
#if defined(__x86_64__) && defined(__GNUC__)
    case TracePath::Avx2:
        return __builtin_cpu_supports("avx2");
    case TracePath::Avx512:
        return __builtin_cpu_supports("avx512f");
#else
    case TracePath::Avx2:
    case TracePath::Avx512:
        return false;
#endif
    }
    return false;
}
