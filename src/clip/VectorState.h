// Libraries built for plain SSE (libmp3lame, libmpg123's C parts) run far
// slower while the upper halves of the AVX registers hold data: on current
// x86-64 processors every SSE instruction then carries a false dependency
// on them. Code compiled for AVX (the raster painter drawing the progress
// bar, for one) may leave them so, and nothing clears them until the next
// VZEROUPPER, which an SSE library never executes: one paint slowed the MP3
// encoder by a fifth for the rest of a save. Calling this before handing a
// block of work to such a library clears them; elsewhere it does nothing.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace zirpel {

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) inline void ClearUpperVectorStateWithAvx() { _mm256_zeroupper(); }

inline void ClearUpperVectorState() {
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx) ClearUpperVectorStateWithAvx();
}
#else
inline void ClearUpperVectorState() {}
#endif

}  // namespace zirpel
