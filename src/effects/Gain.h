// The extended-precision arithmetic of the fades and the crossfade.
//
// The fade length, the gains and the scaled samples are fixed to the x87
// 80-bit format: each step below is one rounding of that format, in the
// order given, and every conversion to an integer truncates toward zero.
// The results differ from 64-bit double arithmetic (3/10 makes the 16-bit
// value 10 into 2 and the byte 138 into 130, where double gives 3 and 131).
#pragma once

#include <cstdint>

#include "clip/Extended.h"

// Every conversion of an extended value to an integer truncates toward zero.
// Without SSE3 the compiler does that by switching the x87 rounding mode
// around each conversion, which stalls the FPU and makes a fade three times
// slower; SSE3's fisttp truncates directly. A loop marked with this macro is
// built twice, and the program picks the SSE3 build at load time where the
// processor has it. Both builds compute the same values. Whatever the loop
// calls must be inlined into it (hence always_inline below) to share its build.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZIRPEL_TRUNCATING_LOOP __attribute__((target_clones("default", "sse3")))
#else
#define ZIRPEL_TRUNCATING_LOOP
#endif

namespace zirpel {

// Fade length (and echo delay) in frames: trunc(seconds x rate), the product
// formed in extended precision. 0.7 s at 44100 Hz is 30870; 2.3 s at 48000
// Hz is 110400. A product below 1 (a rate of 0 or less included) gives 0; a
// huge one is held at 2^62 so that frame arithmetic stays in 64 bits.
std::int64_t FadeFrames(Extended seconds, std::int32_t rate);

// Gain num/d: divided in extended precision, then rounded to a double, which
// is the value the samples are scaled with. d must not be 0.
[[gnu::always_inline]] inline double FadeGain(std::int64_t num, std::int64_t d) {
    return static_cast<double>(static_cast<Extended>(num) / static_cast<Extended>(d));
}

// trunc(s x g), the product rounded to extended. For 0 <= g <= 1 the result
// is a 16-bit value.
[[gnu::always_inline]] inline std::int32_t ScaleSample16(std::int32_t s, Extended g) {
    return static_cast<std::int32_t>(static_cast<Extended>(s) * g);
}

// trunc((b - 128) x g + 128.0): the product rounded to extended before the
// addition. For 0 <= g <= 1 the result is a byte value.
[[gnu::always_inline]] inline std::int32_t ScaleSample8(std::int32_t b, Extended g) {
    const Extended product = static_cast<Extended>(b - 128) * g;
    return static_cast<std::int32_t>(product + 128.0L);
}

}  // namespace zirpel
