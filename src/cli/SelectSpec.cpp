#include "cli/SelectSpec.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

#include "effects/FieldText.h"
#include "effects/SuggestPick.h"
#include "view/Selection.h"
#include "view/SelectionTime.h"

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
    const bool suffix = !t.empty() && (t.back() == 's' || t.back() == 'S');
    if (t.find(':') != std::string_view::npos) {
        const auto seconds = ParseClockTime(suffix ? t.substr(0, t.size() - 1) : t);
        if (!seconds) return std::nullopt;
        end.inSeconds = true;
        end.seconds = *seconds;
        return end;
    }
    if (suffix) {
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

std::optional<SelectEnd> ParseSelectEnd(std::string_view text) { return ParseEnd(text); }

std::optional<SelectSpec> ParseSelectSpec(std::string_view text) {
    SelectSpec spec;
    if (text == "suggest") {
        spec.form = SelectSpec::Form::Suggest;
        return spec;
    }
    // "S+L": a plus after the first character that is no exponent's sign.
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] != '+' || text[i - 1] == 'e' || text[i - 1] == 'E') continue;
        const auto start = ParseEnd(text.substr(0, i));
        const auto length = ParseEnd(text.substr(i + 1));
        if (!start || !length) continue;  // "5:+10" is an A:C with a signed index
        spec.form = SelectSpec::Form::StartLength;
        spec.anchor = *start;
        spec.caret = *length;
        return spec;
    }
    int found = 0;
    for (std::size_t i = text.find(':'); i != std::string_view::npos; i = text.find(':', i + 1)) {
        const auto anchor = ParseEnd(text.substr(0, i));
        const auto caret = ParseEnd(text.substr(i + 1));
        if (!anchor || !caret) continue;
        spec.anchor = *anchor;
        spec.caret = *caret;
        ++found;
    }
    if (found != 1) return std::nullopt;
    return spec;
}

namespace {

std::int64_t IndexOf(const SelectEnd& end, const ClipSpan& clip) {
    return end.inSeconds ? SampleIndexAtTime(end.seconds, clip.format) : end.index;
}

}  // namespace

std::int32_t ResolveSelectEnd(const SelectEnd& end, const ClipSpan& clip) {
    const std::int64_t index = IndexOf(end, clip);
    constexpr auto lo = std::numeric_limits<std::int32_t>::min();
    constexpr auto hi = std::numeric_limits<std::int32_t>::max();
    const auto x = static_cast<std::int32_t>(std::clamp<std::int64_t>(index, lo, hi));
    // One index per column from column 0: the mouse's own clamp to 0..n-1.
    return IndexUnderMouse(x, 1, 0, clip.indices());
}

Selection ResolveSelection(const SelectSpec& spec, const ClipSpan& clip) {
    switch (spec.form) {
        case SelectSpec::Form::Ends:
            return {ResolveSelectEnd(spec.anchor, clip), ResolveSelectEnd(spec.caret, clip)};
        case SelectSpec::Form::StartLength: {
            const std::int64_t start = IndexOf(spec.anchor, clip);
            return HeldSelection(start, start + IndexOf(spec.caret, clip), clip);
        }
        case SelectSpec::Form::Suggest: {
            const FrameSpan pick = SuggestPick(clip, spec.suggestSeconds);
            return HeldSelection(FrameToSampleIndex(pick.first, clip.format),
                                 FrameToSampleIndex(pick.end, clip.format), clip);
        }
    }
    return {};
}

}  // namespace zirpel::cli
