// "Schneller 10%" and "Langsamer 10%": the clip keeps its samples and plays
// at another rate.
#pragma once

#include <cstdint>

namespace zirpel {

// The highest rate the speed commands produce: the largest whose 110 %
// still fits a signed 32-bit product.
inline constexpr std::int32_t kMaxSpeedRate = 19522578;

// rate * 110 div 100, held within 1 .. kMaxSpeedRate.
std::int32_t FasterRate(std::int32_t rate);

// rate * 100 div 110, held within 1 .. kMaxSpeedRate (1 Hz stays 1 Hz, so no
// clip ever plays at 0 Hz).
std::int32_t SlowerRate(std::int32_t rate);

}  // namespace zirpel
