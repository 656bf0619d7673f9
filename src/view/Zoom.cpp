#include "view/Zoom.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace zirpel {
namespace {

std::int32_t ClampZoom(std::int64_t z) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(z, kZoomMin, kZoomMax));
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::int32_t ReadZoomText(std::string_view text) {
    std::size_t i = 0, end = text.size();
    while (i < end && IsBlank(text[i])) ++i;
    while (end > i && IsBlank(text[end - 1])) --end;

    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= end || !IsDigit(text[i])) return kZoomMin;

    // Saturate instead of overflowing on long digit strings.
    std::int64_t value = 0;
    while (i < end && IsDigit(text[i])) {
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), std::int64_t{kZoomMax} + 1);
        ++i;
    }
    // A decimal fraction is truncated away; anything else makes it no number.
    if (i < end && (text[i] == '.' || text[i] == ',')) {
        ++i;
        while (i < end && IsDigit(text[i])) ++i;
    }
    if (i != end) return kZoomMin;
    return ClampZoom(negative ? -value : value);
}

std::int32_t ClampRoundZoom(Extended value) {
    if (std::isnan(value)) return kZoomMin;
    value = std::clamp<Extended>(value, kZoomMin, kZoomMax);
    // Round half to even regardless of the current rounding mode.
    Extended whole = std::floor(value);
    const Extended frac = value - whole;
    if (frac > 0.5L || (frac == 0.5L && std::fmod(whole, 2.0L) != 0.0L)) whole += 1.0L;
    return static_cast<std::int32_t>(whole);
}

std::int32_t ZoomKleiner(std::int32_t z) {
    return ClampRoundZoom(static_cast<Extended>(z) * 1.5L);
}

std::int32_t ZoomGroesser(std::int32_t z) {
    return ClampRoundZoom(static_cast<Extended>(z) / 1.5L);
}

std::int32_t ZoomFullValue(std::int32_t n, std::int32_t width) {
    if (width <= 0) width = 1;
    return ClampZoom(n / width);
}

std::int32_t ZoomSelValue(std::int32_t anchor, std::int32_t caret, std::int32_t width) {
    if (width <= 0) width = 1;
    const std::int64_t span = std::llabs(std::int64_t{anchor} - std::int64_t{caret});
    return ClampZoom(span / width);
}

std::int32_t ZoomSelScrollPosition(std::int32_t anchor, std::int32_t caret, std::int32_t zoom) {
    if (zoom < kZoomMin) zoom = kZoomMin;
    return static_cast<std::int32_t>(std::int64_t{std::min(anchor, caret)} / zoom);
}

std::int64_t ScrollMaximum(std::int32_t n, std::int32_t width, std::int32_t zoom) {
    if (zoom < kZoomMin) zoom = kZoomMin;
    const std::int64_t m = (std::int64_t{n} - std::int64_t{width} * zoom) / zoom;
    return m <= 0 ? 1 : m;
}

std::int32_t ProportionalScrollPosition(std::int32_t p0, std::int32_t newMax, std::int32_t oldMax) {
    if (oldMax == 0) return 0;
    const std::int64_t q = std::int64_t{p0} * newMax / oldMax;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        q, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace zirpel
