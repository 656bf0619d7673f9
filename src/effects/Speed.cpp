#include "effects/Speed.h"

#include <algorithm>

namespace zirpel {
namespace {

// The product is formed in 64 bits: for every rate up to kMaxSpeedRate it
// equals the 32-bit one, and above it nothing wraps before the limit holds.
std::int32_t Scaled(std::int32_t rate, std::int64_t num, std::int64_t den) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(rate * num / den, 1, kMaxSpeedRate));
}

}  // namespace

std::int32_t FasterRate(std::int32_t rate) { return Scaled(rate, 110, 100); }

std::int32_t SlowerRate(std::int32_t rate) { return Scaled(rate, 100, 110); }

}  // namespace zirpel
