#include "art/CurveTracePoints.h"

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
