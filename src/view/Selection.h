// Mouse selection and the crop/cut byte arithmetic. Selection ends are
// sample indices (single interleaved values; a stereo frame has two).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "wave/AudioFormat.h"

namespace zirpel {

// Sample index under view column x: zoom * x + zoom * scrollPos, limited to
// 0..n-1 (so -1 for an empty clip). x may be negative or beyond the view
// while the mouse is captured. Computed in 64-bit, so extreme values clamp
// instead of wrapping; a zoom below 1 counts as 1.
std::int32_t IndexUnderMouse(std::int32_t x, std::int32_t zoom, std::int32_t scrollPos,
                             std::int32_t n);

// A half-open byte range [from, to) of the clip.
struct ByteRange {
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::int32_t Length() const { return to - from; }
};

// The bytes a crop or cut acts on. std::nullopt when anchor == caret
// (nothing selected: the command does nothing). Otherwise the ends are
// ordered as unsigned values, clamped to the clip's sample index count and,
// for stereo, rounded down to whole frames; the range may then be empty.
std::optional<ByteRange> SelectedBytes(std::int32_t anchor, std::int32_t caret, std::int32_t size,
                                       const ClipFormat& f);

// The selected bytes (crop result). The range is clamped to 0..size.
std::vector<std::uint8_t> CropBytes(const std::uint8_t* data, std::int32_t size, ByteRange r);

// Everything except the selected bytes (cut result). The range is clamped to 0..size.
std::vector<std::uint8_t> CutBytes(const std::uint8_t* data, std::int32_t size, ByteRange r);

}  // namespace zirpel
