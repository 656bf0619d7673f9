// Mouse selection. Selection ends are sample indices (single interleaved
// values; a stereo frame has two). Which bytes a selection covers, and the
// crop and cut that keep or drop them, are in clip/Selection.h.
#pragma once

#include <cstdint>

#include "clip/Clip.h"
#include "clip/Selection.h"

namespace zirpel {

// Sample index under view column x: zoom * x + zoom * scrollPos, limited to
// 0..n-1 (so -1 for an empty clip). x may be negative or beyond the view
// while the mouse is captured. Computed in 64-bit, so extreme values clamp
// instead of wrapping; a zoom below 1 counts as 1.
std::int32_t IndexUnderMouse(std::int32_t x, std::int32_t zoom, std::int32_t scrollPos,
                             std::int32_t n);

}  // namespace zirpel
