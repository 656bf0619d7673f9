// Zoom factor and scroll range arithmetic of the waveform view. The zoom
// factor is the number of sample indices one view column advances; the
// scroll position is the first visible column.
#pragma once

#include <cstdint>
#include <string_view>

#include "clip/Extended.h"

namespace zirpel {

constexpr std::int32_t kZoomMin = 1, kZoomMax = 1000000;

// Parses the zoom edit's text: an integer (a decimal fraction is truncated),
// surrounding blanks allowed. Text that is no number reads as 1; values
// below 1 read as 1 (the zoom is a divisor), values above kZoomMax as kZoomMax.
std::int32_t ReadZoomText(std::string_view text);

// Clamps to kZoomMin..kZoomMax, then rounds to nearest, ties to even. NaN gives 1.
std::int32_t ClampRoundZoom(Extended value);

// "Kleiner": z * 1.5, clamped and rounded (1 -> 2, 3 -> 4, 100 -> 150).
std::int32_t ZoomKleiner(std::int32_t z);

// "Größer": z / 1.5, clamped and rounded (100 -> 67, 4 -> 3, 2 -> 1, 1 -> 1).
std::int32_t ZoomGroesser(std::int32_t z);

// "Ganze Datei": n div width, clamped to kZoomMin..kZoomMax (width <= 0 counts as 1).
std::int32_t ZoomFullValue(std::int32_t n, std::int32_t width);

// "Zoom auf Auswahl": |anchor - caret| div width, clamped like ZoomFullValue.
std::int32_t ZoomSelValue(std::int32_t anchor, std::int32_t caret, std::int32_t width);

// Scroll position that puts the selection's left end at column 0:
// min(anchor, caret) div zoom, in 64-bit (zoom below 1 counts as 1).
// The scroll bar still clamps the result to its range.
std::int32_t ZoomSelScrollPosition(std::int32_t anchor, std::int32_t caret, std::int32_t zoom);

// Scroll bar maximum for n sample indices in `width` columns at `zoom`:
// (n - width * zoom) div zoom in 64-bit; a result <= 0 gives 1.
std::int64_t ScrollMaximum(std::int32_t n, std::int32_t width, std::int32_t zoom);

// Keeps the scroll position proportional when the maximum changes:
// (p0 * newMax) div oldMax with a 64-bit product, exact for every clip
// length (a 32-bit product goes wrong once p0 * newMax exceeds 2^31, for
// instance a one-minute 44.1 kHz stereo clip at zoom 1 scrolled past its
// first tenth). oldMax 0 gives 0; the result is clamped to the int range.
std::int32_t ProportionalScrollPosition(std::int32_t p0, std::int32_t newMax, std::int32_t oldMax);

}  // namespace zirpel
