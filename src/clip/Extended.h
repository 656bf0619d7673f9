// The extended-precision type of the fades, the crossfade, the zoom steps and
// the playback resampling step. Their results are fixed to the 80-bit x87
// format (64-bit mantissa): 0.7 s at 44100 Hz must give 30870 frames, which
// a 53-bit double gets wrong. Build where long double is that format.
#pragma once

#include <limits>

namespace zirpel {

using Extended = long double;

static_assert(std::numeric_limits<Extended>::digits == 64,
              "Extended must be the 80-bit x87 format (64-bit mantissa), as on x86-64 GCC/Clang");
static_assert(std::numeric_limits<Extended>::is_iec559);

}  // namespace zirpel
