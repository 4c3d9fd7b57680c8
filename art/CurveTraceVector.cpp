// The points of a run, four (AVX2) or eight (AVX-512) at a time, with glibc's vector sine and
// cosine (libmvec) in place of the scalar ones, and the same bits as the scalar loop.
//
// Why the bits agree. The scalar loop computes, for each coordinate, c = sin or cos of a widened
// float angle, then u = D·c rounded to double and float(u) (the runner's centre), then
// s = double(cx) + P·c' rounded to double and float(s) (the pen). The vector functions differ
// from the scalar ones by a few units in the last place (ulp), so u and s differ a little from
// the scalar loop's; float(u) and float(s) are the same unless that little carries them across
// a float rounding boundary. Each lane is checked against a bound on that difference, and the
// few that fail are recomputed with the scalar functions.
//
// The bound. With c the exact value, libmvec's double sin and cos are documented within
// kVectorUlps = 4 ulp (measured here: 3.5) and glibc's scalar ones within kScalarUlps = 1 ulp
// (measured here: 0.52). An ulp of c is at most 2^-52·|c|, so the vector result c_v and the
// scalar one c_s differ by at most (4 + 1)·2^-52·|c|. A product D·c rounded to double adds at
// most 2^-53 of relative error on either side, so the two products u_v and u_s differ by less
// than ε·|u_v|, ε = (4 + 1 + 2)·2^-52: the 1 covers the two product roundings, the other 1 the
// second-order terms and the roundings of the test below, with room to spare. (For a zero u_v
// the bound is 0, and rightly: a zero product comes from a zero radius or from sin(+0), exact on
// both sides.) The pen's sum s = cx + v, with v the arm's product and cx the centre already
// agreed, inherits the arm's difference and adds one rounding of 2^-53·|s| on each side:
// |s_v - s_s| < ε·(|v| + |s|).
//
// The test. The scalar double lies strictly inside (s_v - e, s_v + e), e the bound. Rounding to
// float is monotonic, so when both ends of that interval round to the same float, every double
// inside does, the scalar one included, and that float is the result (taken from an end). A
// rounding boundary (the midpoint between two floats) inside the interval sends the ends to
// different floats; one on an end either rounds that end the way of the inside (ties to even)
// or sends them apart. The ends are compared bit for bit, so -0 and +0 differ too; their own
// rounding to double, under 2^-53 of their size, lies within the slack in ε. A lane whose float
// is not finite is recomputed as well: that is where a run learns whether all its points are
// finite.
//
// About three points in a million fail the test (measured over 7 million points of 60 random
// designs), mostly where a coordinate nearly cancels to 0. The angles are summed with the same
// 32-bit additions as the scalar loop and only widened for the vector functions. No fused
// multiply-add: the target attributes below name no FMA, and the library is built with
// -ffp-contract=off.

#include "art/CurveTracePoints.h"

#if defined(__x86_64__) && defined(__GNUC__)

#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <limits>

// libmvec in the x86-64 vector function ABI: four doubles in a ymm register, eight in a zmm one.
// Declared for the processors they run on, so that every compiler passes the vectors in those
// registers.
extern "C" {
[[gnu::target("avx2")]] __m256d _ZGVdN4v_cos(__m256d);
[[gnu::target("avx2")]] __m256d _ZGVdN4v_sin(__m256d);
[[gnu::target("avx512f")]] __m512d _ZGVeN8v_cos(__m512d);
[[gnu::target("avx512f")]] __m512d _ZGVeN8v_sin(__m512d);
}

namespace curvetrace {
namespace {

constexpr double kVectorUlps = 4;
constexpr double kScalarUlps = 1;
constexpr double kRelativeError = (kVectorUlps + kScalarUlps + 2) * 0x1p-52;

// Points whose angles are gathered before the vector functions take them: small enough that
// both angle arrays stay in the first-level cache.
constexpr std::size_t kBatchPoints = 256;

static_assert(sizeof(TracedPoint) == 2 * sizeof(float), "points are stored as packed float pairs");

// The widened angles of `count` points from `a` on, by the scalar loop's 32-bit sums; the
// lanes after them, up to `padded`, get angle 0. Returns the angles of the point after them.
Angles gatherAngles(Angles a, const Angles& increment, std::size_t count, std::size_t padded,
                    double* orbit, double* runner)
{
    for (std::size_t i = 0; i < count; ++i) {
        orbit[i] = a.orbit;
        runner[i] = a.runner;
        a.orbit += increment.orbit;
        a.runner += increment.runner;
    }
    std::fill(orbit + count, orbit + padded, 0.0);
    std::fill(runner + count, runner + padded, 0.0);
    return a;
}

std::size_t roundedUp(std::size_t n, std::size_t multiple) { return (n + multiple - 1) / multiple * multiple; }

// Recomputes the lanes set in `lanes` with the scalar functions.
[[gnu::cold, gnu::noinline]] void recomputeLanes(const PenGeometry& g, const double* orbit,
                                                 const double* runner, unsigned lanes,
                                                 TracedPoint* at, PointRun& run)
{
    for (; lanes != 0; lanes &= lanes - 1) {
        const int lane = __builtin_ctz(lanes);
        at[lane] = penPoint(g, static_cast<float>(orbit[lane]), static_cast<float>(runner[lane]));
        run.allFinite &= isFinite(at[lane]);
        ++run.recomputed;
    }
}

// ε·(|a| + |b|): how far the scalar loop's double may lie from the vector one, for a product a
// (b zero) or for a sum b of an arm's product a.
[[gnu::target("avx2")]] inline __m256d errorBound(__m256d a, __m256d b)
{
    const __m256d sign = _mm256_set1_pd(-0.0);
    return _mm256_mul_pd(_mm256_set1_pd(kRelativeError),
                         _mm256_add_pd(_mm256_andnot_pd(sign, a), _mm256_andnot_pd(sign, b)));
}

[[gnu::target("avx512f")]] inline __m512d errorBound(__m512d a, __m512d b)
{
    return _mm512_mul_pd(_mm512_set1_pd(kRelativeError), _mm512_add_pd(_mm512_abs_pd(a), _mm512_abs_pd(b)));
}

[[gnu::target("avx2")]] inline __m256d negated(__m256d v) { return _mm256_xor_pd(v, _mm256_set1_pd(-0.0)); }

[[gnu::target("avx512f")]] inline __m512d negated(__m512d v)
{
    const __m512i sign = _mm512_set1_epi64(std::numeric_limits<std::int64_t>::min());
    return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(v), sign));
}

// A double rounded to float, with the lanes where the scalar loop's double, within
// `errorBound` of it, certainly rounds to the same float.
struct Rounded4 {
    __m128 value;
    __m128i certain;   // all ones where certain
};

// The upper end is computed as -((-exact) - bound): the same value as exact + bound, except
// that -0 plus a zero bound would give +0, and a zero bound leaves nothing uncertain.
[[gnu::target("avx2")]] inline Rounded4 roundedToFloat(__m256d exact, __m256d errorBound)
{
    const __m128 low = _mm256_cvtpd_ps(_mm256_sub_pd(exact, errorBound));
    const __m128 high = _mm256_cvtpd_ps(negated(_mm256_sub_pd(negated(exact), errorBound)));
    return {low, _mm_cmpeq_epi32(_mm_castps_si128(low), _mm_castps_si128(high))};
}

[[gnu::target("avx2")]] inline __m128i finiteLanes(__m128 v)
{
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
    return _mm_castps_si128(_mm_cmp_ps(magnitude, _mm_set1_ps(std::numeric_limits<float>::infinity()), _CMP_LT_OQ));
}

// Float to double and back for eight lanes. The plain intrinsics pass g++ 12 an undefined
// source operand that it then warns about; every lane is selected here, so none is read.
constexpr __mmask8 kAllEightLanes = 0xFF;

[[gnu::target("avx512f")]] inline __m512d widened(__m256 v) { return _mm512_maskz_cvtps_pd(kAllEightLanes, v); }
[[gnu::target("avx512f")]] inline __m256 narrowed(__m512d v) { return _mm512_maskz_cvtpd_ps(kAllEightLanes, v); }

struct Rounded8 {
    __m256 value;
    __m256i certain;
};

[[gnu::target("avx512f")]] inline Rounded8 roundedToFloat(__m512d exact, __m512d errorBound)
{
    const __m256 low = narrowed(_mm512_sub_pd(exact, errorBound));
    const __m256 high = narrowed(negated(_mm512_sub_pd(negated(exact), errorBound)));
    return {low, _mm256_cmpeq_epi32(_mm256_castps_si256(low), _mm256_castps_si256(high))};
}

[[gnu::target("avx512f")]] inline __m256i finiteLanes(__m256 v)
{
    const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), v);
    return _mm256_castps_si256(_mm256_cmp_ps(magnitude, _mm256_set1_ps(std::numeric_limits<float>::infinity()), _CMP_LT_OQ));
}

}

[[gnu::target("avx2")]] PointRun traceRunAvx2(const PenGeometry& g, Angles first, std::size_t count,
                                              TracedPoint* out)
{
    constexpr std::size_t kLanes = 4;
    alignas(32) double orbit[kBatchPoints];
    alignas(32) double runner[kBatchPoints];
    alignas(32) double orbitCos[kBatchPoints];
    alignas(32) double orbitSin[kBatchPoints];
    alignas(32) double runnerCos[kBatchPoints];
    alignas(32) double runnerSin[kBatchPoints];
    const __m256d centreDistance = _mm256_set1_pd(g.centreDistance);
    const __m256d penHoleRadius = _mm256_set1_pd(g.penHoleRadius);
    const __m256d none = _mm256_setzero_pd();

    PointRun run;
    Angles a = first;
    for (std::size_t done = 0; done < count;) {
        const std::size_t batch = std::min(kBatchPoints, count - done);
        a = gatherAngles(a, g.increment, batch, roundedUp(batch, kLanes), orbit, runner);
        // The library calls first, then the arithmetic without calls: nothing is kept in
        // registers across a call, which would have to be saved and restored around it.
        for (std::size_t i = 0; i < batch; i += kLanes) {
            const __m256d orbitAngle = _mm256_load_pd(orbit + i);
            const __m256d runnerAngle = _mm256_load_pd(runner + i);
            _mm256_store_pd(orbitCos + i, _ZGVdN4v_cos(orbitAngle));
            _mm256_store_pd(orbitSin + i, _ZGVdN4v_sin(orbitAngle));
            _mm256_store_pd(runnerCos + i, _ZGVdN4v_cos(runnerAngle));
            _mm256_store_pd(runnerSin + i, _ZGVdN4v_sin(runnerAngle));
        }
        for (std::size_t i = 0; i < batch; i += kLanes) {
            const __m256d centreX = _mm256_mul_pd(centreDistance, _mm256_load_pd(orbitCos + i));
            const __m256d centreY = _mm256_mul_pd(centreDistance, _mm256_load_pd(orbitSin + i));
            const Rounded4 cx = roundedToFloat(centreX, errorBound(centreX, none));
            const Rounded4 cy = roundedToFloat(centreY, errorBound(centreY, none));
            const __m256d armX = _mm256_mul_pd(penHoleRadius, _mm256_load_pd(runnerCos + i));
            const __m256d armY = _mm256_mul_pd(penHoleRadius, _mm256_load_pd(runnerSin + i));
            const __m256d sumX = _mm256_add_pd(_mm256_cvtps_pd(cx.value), armX);
            const __m256d sumY = _mm256_add_pd(_mm256_cvtps_pd(cy.value), armY);
            const Rounded4 x = roundedToFloat(sumX, errorBound(armX, sumX));
            const Rounded4 y = roundedToFloat(sumY, errorBound(armY, sumY));
            const __m128i certain = _mm_and_si128(
                _mm_and_si128(_mm_and_si128(cx.certain, cy.certain), _mm_and_si128(x.certain, y.certain)),
                _mm_and_si128(finiteLanes(x.value), finiteLanes(y.value)));

            TracedPoint* const at = out + done + i;
            const std::size_t lanes = std::min(kLanes, batch - i);
            const __m128 firstTwo = _mm_unpacklo_ps(x.value, y.value);   // x0 y0 x1 y1
            const __m128 lastTwo = _mm_unpackhi_ps(x.value, y.value);    // x2 y2 x3 y3
            if (lanes == kLanes) {
                _mm_storeu_ps(reinterpret_cast<float*>(at), firstTwo);
                _mm_storeu_ps(reinterpret_cast<float*>(at + 2), lastTwo);
            } else {
                alignas(16) TracedPoint tail[kLanes];
                _mm_store_ps(reinterpret_cast<float*>(tail), firstTwo);
                _mm_store_ps(reinterpret_cast<float*>(tail + 2), lastTwo);
                std::copy_n(tail, lanes, at);
            }
            const auto certainLanes = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(certain)));
            const unsigned doubtful = ~certainLanes & ((1u << lanes) - 1);
            if (doubtful != 0)
                recomputeLanes(g, orbit + i, runner + i, doubtful, at, run);
        }
        done += batch;
    }
    run.next = a;
    return run;
}

[[gnu::target("avx512f")]] PointRun traceRunAvx512(const PenGeometry& g, Angles first,
                                                   std::size_t count, TracedPoint* out)
{
    constexpr std::size_t kLanes = 8;
    alignas(64) double orbit[kBatchPoints];
    alignas(64) double runner[kBatchPoints];
    alignas(64) double orbitCos[kBatchPoints];
    alignas(64) double orbitSin[kBatchPoints];
    alignas(64) double runnerCos[kBatchPoints];
    alignas(64) double runnerSin[kBatchPoints];
    const __m512d centreDistance = _mm512_set1_pd(g.centreDistance);
    const __m512d penHoleRadius = _mm512_set1_pd(g.penHoleRadius);
    const __m512d none = _mm512_setzero_pd();

    PointRun run;
    Angles a = first;
    for (std::size_t done = 0; done < count;) {
        const std::size_t batch = std::min(kBatchPoints, count - done);
        a = gatherAngles(a, g.increment, batch, roundedUp(batch, kLanes), orbit, runner);
        // As in the AVX2 run: the calls first, then the arithmetic.
        for (std::size_t i = 0; i < batch; i += kLanes) {
            const __m512d orbitAngle = _mm512_load_pd(orbit + i);
            const __m512d runnerAngle = _mm512_load_pd(runner + i);
            _mm512_store_pd(orbitCos + i, _ZGVeN8v_cos(orbitAngle));
            _mm512_store_pd(orbitSin + i, _ZGVeN8v_sin(orbitAngle));
            _mm512_store_pd(runnerCos + i, _ZGVeN8v_cos(runnerAngle));
            _mm512_store_pd(runnerSin + i, _ZGVeN8v_sin(runnerAngle));
        }
        for (std::size_t i = 0; i < batch; i += kLanes) {
            const __m512d centreX = _mm512_mul_pd(centreDistance, _mm512_load_pd(orbitCos + i));
            const __m512d centreY = _mm512_mul_pd(centreDistance, _mm512_load_pd(orbitSin + i));
            const Rounded8 cx = roundedToFloat(centreX, errorBound(centreX, none));
            const Rounded8 cy = roundedToFloat(centreY, errorBound(centreY, none));
            const __m512d armX = _mm512_mul_pd(penHoleRadius, _mm512_load_pd(runnerCos + i));
            const __m512d armY = _mm512_mul_pd(penHoleRadius, _mm512_load_pd(runnerSin + i));
            const __m512d sumX = _mm512_add_pd(widened(cx.value), armX);
            const __m512d sumY = _mm512_add_pd(widened(cy.value), armY);
            const Rounded8 x = roundedToFloat(sumX, errorBound(armX, sumX));
            const Rounded8 y = roundedToFloat(sumY, errorBound(armY, sumY));
            const __m256i certain = _mm256_and_si256(
                _mm256_and_si256(_mm256_and_si256(cx.certain, cy.certain), _mm256_and_si256(x.certain, y.certain)),
                _mm256_and_si256(finiteLanes(x.value), finiteLanes(y.value)));

            TracedPoint* const at = out + done + i;
            const std::size_t lanes = std::min(kLanes, batch - i);
            const __m256 low = _mm256_unpacklo_ps(x.value, y.value);    // x0 y0 x1 y1 | x4 y4 x5 y5
            const __m256 high = _mm256_unpackhi_ps(x.value, y.value);   // x2 y2 x3 y3 | x6 y6 x7 y7
            const __m256 firstFour = _mm256_permute2f128_ps(low, high, 0x20);
            const __m256 lastFour = _mm256_permute2f128_ps(low, high, 0x31);
            if (lanes == kLanes) {
                _mm256_storeu_ps(reinterpret_cast<float*>(at), firstFour);
                _mm256_storeu_ps(reinterpret_cast<float*>(at + 4), lastFour);
            } else {
                alignas(32) TracedPoint tail[kLanes];
                _mm256_store_ps(reinterpret_cast<float*>(tail), firstFour);
                _mm256_store_ps(reinterpret_cast<float*>(tail + 4), lastFour);
                std::copy_n(tail, lanes, at);
            }
            const auto certainLanes = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(certain)));
            const unsigned doubtful = ~certainLanes & ((1u << lanes) - 1);
            if (doubtful != 0)
                recomputeLanes(g, orbit + i, runner + i, doubtful, at, run);
        }
        done += batch;
    }
    run.next = a;
    return run;
}

}

#else

namespace curvetrace {

// Without x86-64 vector units the vector paths are never chosen; these keep the link whole.
PointRun traceRunAvx2(const PenGeometry& g, Angles first, std::size_t count, TracedPoint* out)
{
    return traceRunScalar(g, first, count, out);
}

PointRun traceRunAvx512(const PenGeometry& g, Angles first, std::size_t count, TracedPoint* out)
{
    return traceRunScalar(g, first, count, out);
}

}

#endif
