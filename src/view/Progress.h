// Progress bar arithmetic of the status bar's owner-drawn panel.
#pragma once

#include <cstdint>

namespace zirpel {

// x of the boundary between the done part and the rest of a bar spanning
// left..right: left + (right - left) * percent div 100.
std::int32_t ProgressBoundary(std::int32_t left, std::int32_t right, std::int32_t percent);

// Only 0..100 is shown; anything else is ignored by the progress display.
bool ProgressIsValid(std::int32_t percent);

}  // namespace zirpel
