#include "effects/Gain.h"

namespace zirpel {

std::int64_t FadeFrames(Extended seconds, std::int32_t rate) {
    const Extended product = seconds * static_cast<Extended>(rate);
    if (!(product >= 1.0L)) return 0;  // also NaN
    constexpr Extended kLimit = 4611686018427387904.0L;  // 2^62
    if (product >= kLimit) return static_cast<std::int64_t>(kLimit);
    return static_cast<std::int64_t>(product);
}

}  // namespace zirpel
