#include "view/SelectionTime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "clip/DecimalText.h"

namespace zirpel {
namespace {

// Far beyond any clip's frame count, small enough that doubling for stereo
// and adding two of them cannot overflow.
constexpr Extended kFrameLimit = static_cast<Extended>(std::int64_t{1} << 40);

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::int64_t FrameAtTime(Extended seconds, std::int32_t rate) {
    // Rounded once to extended, then cut toward zero.
    Extended frame = std::trunc(seconds * static_cast<Extended>(rate));
    if (std::isnan(frame)) frame = 0;
    return static_cast<std::int64_t>(std::clamp(frame, -kFrameLimit, kFrameLimit));
}

}  // namespace

std::optional<Extended> ParseClockTime(std::string_view text) {
    const std::string_view t = TrimBlanks(text);
    const std::size_t colon = t.find(':');
    if (colon == std::string_view::npos) return ParseDecimalText(t);
    const std::string_view minutes = t.substr(0, colon);
    const std::string_view seconds = t.substr(colon + 1);
    if (minutes.empty() || minutes.size() > 9 || !std::all_of(minutes.begin(), minutes.end(), IsDigit))
        return std::nullopt;
    // Seconds after the colon: two digits at most before the separator, no
    // sign or exponent.
    std::size_t i = 0;
    while (i < seconds.size() && IsDigit(seconds[i])) ++i;
    if (i == 0 || i > 2) return std::nullopt;
    if (i < seconds.size()) {
        if (seconds[i] != ',' && seconds[i] != '.') return std::nullopt;
        if (!std::all_of(seconds.begin() + static_cast<std::ptrdiff_t>(i) + 1, seconds.end(), IsDigit))
            return std::nullopt;
    }
    const auto s = ParseDecimalText(seconds);
    if (!s || *s >= 60) return std::nullopt;
    Extended m = 0;
    for (char c : minutes) m = m * 10 + (c - '0');
    return m * 60 + *s;
}

std::string FormatClockTime(Extended seconds) {
    if (!(seconds > 0)) seconds = 0;
    const long long ms = std::llroundl(std::min<Extended>(seconds, 1e15L) * 1000);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld:%02lld,%03lld", ms / 60000, ms / 1000 % 60, ms % 1000);
    return buf;
}

std::string FormatSeconds(Extended seconds) {
    if (!(seconds > 0)) seconds = 0;
    const long long ms = std::llroundl(std::min<Extended>(seconds, 1e15L) * 1000);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld,%03lld", ms / 1000, ms % 1000);
    return buf;
}

std::int64_t SampleIndexAtTime(Extended seconds, const ClipFormat& format) {
    return FrameToSampleIndex(FrameAtTime(seconds, format.sampleRate), format);
}

std::int32_t EndSampleIndex(const ClipSpan& clip) {
    return static_cast<std::int32_t>(FrameToSampleIndex(clip.frames(), clip.format));
}

Selection HeldSelection(std::int64_t anchor, std::int64_t caret, const ClipSpan& clip) {
    const std::int64_t end = EndSampleIndex(clip);
    return {static_cast<std::int32_t>(std::clamp<std::int64_t>(anchor, 0, end)),
            static_cast<std::int32_t>(std::clamp<std::int64_t>(caret, 0, end))};
}

Selection SelectionFromTimes(Extended start, Extended length, const ClipSpan& clip) {
    const std::int64_t a = SampleIndexAtTime(start, clip.format);
    return HeldSelection(a, a + SampleIndexAtTime(length, clip.format), clip);
}

SelectionFrames FramesOfSelection(const Selection& sel, const ClipSpan& clip) {
    const std::int64_t frames = clip.frames();
    if (sel.empty()) return {0, frames, true};
    std::int64_t lo = std::min(sel.anchor, sel.caret);
    std::int64_t hi = std::max(sel.anchor, sel.caret);
    if (clip.format.stereo) {
        lo /= 2;
        hi /= 2;
    }
    return {std::clamp<std::int64_t>(lo, 0, frames), std::clamp<std::int64_t>(hi, 0, frames), false};
}

Extended SecondsOfFrames(std::int64_t frames, std::int32_t rate) {
    return rate > 0 ? static_cast<Extended>(frames) / rate : 0;
}

}  // namespace zirpel
