#pragma once

// How a curve is traced: for the tests and benchmarks that compare the ways. The application
// traces with the defaults, through the functions in CurveTrace.h.

#include <atomic>
#include <cstddef>

struct CurveParameters;
class TracedCurve;

// The code that computes the points' coordinates. Every path gives the same points, bit for bit;
// they differ in speed only. Automatic takes the widest vector path the processor runs.
enum class TracePath { Automatic, Scalar, Avx2, Avx512 };

bool isTracePathAvailable(TracePath path);

struct TraceOptions {
    const std::atomic<bool>* cancel = nullptr;
    TracePath path = TracePath::Automatic;
    // A long curve's second half goes to a second thread when one can be had.
    bool mayUseSecondThread = true;
    // When set, receives the number of points that a vector path handed back to the scalar
    // functions, their vector result lying too near a float rounding boundary to be trusted.
    std::size_t* recomputedPoints = nullptr;
};

// As traceCurve(p, into, options.cancel). A path the processor lacks falls back to the scalar
// one: ask isTracePathAvailable first.
bool traceCurve(const CurveParameters& p, TracedCurve& into, const TraceOptions& options);
