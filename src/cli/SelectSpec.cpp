#include "cli/SelectSpec.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "effects/FieldText.h"
#include "view/Selection.h"

namespace zirpel::cli {
namespace {

// Far beyond any clip's index count, small enough that doubling for stereo
// cannot overflow.
constexpr std::int64_t kIndexLimit = std::int64_t{1} << 40;

// [sign] digits, saturating at kIndexLimit.
std::optional<std::int64_t> ParseIndex(std::string_view t) {
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (i == t.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return std::nullopt;
        value = std::min(value * 10 + (t[i] - '0'), kIndexLimit);
    }
    return negative ? -value : value;
}

std::optional<SelectEnd> ParseEnd(std::string_view t) {
    SelectEnd end;
    if (!t.empty() && (t.back() == 's' || t.back() == 'S')) {
        const auto seconds = ParseSeconds(t.substr(0, t.size() - 1));
        if (!seconds) return std::nullopt;
        end.inSeconds = true;
        end.seconds = *seconds;
        return end;
    }
    const auto index = ParseIndex(t);
    if (!index) return std::nullopt;
    end.index = *index;
    return end;
}

}  // namespace

std::optional<Extended> ParseSeconds(std::string_view text) {
    // The time field decides what is a number; only its limits are left out.
    return ParseSecondsText(text);
}

std::optional<SelectSpec> ParseSelectSpec(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || text.find(':', colon + 1) != std::string_view::npos)
        return std::nullopt;
    const auto anchor = ParseEnd(text.substr(0, colon));
    const auto caret = ParseEnd(text.substr(colon + 1));
    if (!anchor || !caret) return std::nullopt;
    return SelectSpec{*anchor, *caret};
}

std::int32_t ResolveSelectEnd(const SelectEnd& end, const ClipSpan& clip) {
    std::int64_t index = end.index;
    if (end.inSeconds) {
        // Rounded once to extended, then cut toward zero; an infinite or huge
        // time is held far outside the clip, where the clamp below takes it.
        Extended frame = std::trunc(end.seconds * static_cast<Extended>(clip.format.sampleRate));
        if (std::isnan(frame)) frame = 0;  // an infinite time at 0 Hz
        const Extended held = std::clamp<Extended>(frame, -kIndexLimit, kIndexLimit);
        index = FrameToSampleIndex(static_cast<std::int64_t>(held), clip.format);
    }
    constexpr auto lo = std::numeric_limits<std::int32_t>::min();
    constexpr auto hi = std::numeric_limits<std::int32_t>::max();
    const auto x = static_cast<std::int32_t>(std::clamp<std::int64_t>(index, lo, hi));
    // One index per column from column 0: the mouse's own clamp to 0..n-1.
    return IndexUnderMouse(x, 1, 0, clip.indices());
}

Selection ResolveSelection(const SelectSpec& spec, const ClipSpan& clip) {
    return {ResolveSelectEnd(spec.anchor, clip), ResolveSelectEnd(spec.caret, clip)};
}

}  // namespace zirpel::cli
