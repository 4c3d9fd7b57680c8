#pragma once

// Qt's AVX2 fill and blend routines can return with the upper halves of the vector registers in
// use. Until the next vzeroupper every SSE instruction pays for merging them, in the trace and in
// Qt's own stroker alike: measured here, tracing ran ten times slower after the first drawing,
// and a wide pen twice as slow. So the state is cleared before each of those stages.
inline void clearUpperVectorState()
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx)
        __asm__ volatile("vzeroupper" ::: "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6",
                         "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
#endif
}
