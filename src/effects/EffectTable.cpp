#include "effects/EffectTable.h"

#include <cmath>

namespace zirpel {
namespace {

// "mono|stereo,8|16,RATE".
bool ParseFormat(std::string_view text, FormatChangeSettings& s) {
    const std::size_t c1 = text.find(',');
    if (c1 == std::string_view::npos) return false;
    const std::size_t c2 = text.find(',', c1 + 1);
    if (c2 == std::string_view::npos) return false;
    const std::string_view channels = text.substr(0, c1);
    const std::string_view width = text.substr(c1 + 1, c2 - c1 - 1);
    if (channels != "mono" && channels != "stereo") return false;
    if (width != "8" && width != "16") return false;
    const auto rate = ParseRateText(text.substr(c2 + 1));
    if (!rate) return false;
    s = {channels == "stereo", width == "16", *rate};
    return true;
}

}  // namespace

std::optional<EffectArgument> ReadEffectArgument(const EffectEntry& e, std::string_view text) {
    EffectArgument a;
    switch (e.parameter) {
        case EffectParameter::None:
            break;
        case EffectParameter::Time: {
            const Extended v = ParseSecondsText(text).value_or(e.time.min);
            a.seconds = std::isnan(v) || v < e.time.min ? e.time.min : v > e.time.max ? e.time.max : v;
            break;
        }
        case EffectParameter::Format:
            if (!ParseFormat(text, a.format)) return std::nullopt;
            break;
        case EffectParameter::Loudness: {
            const auto lufs = ParseLoudnessTarget(text);
            if (!lufs) return std::nullopt;
            a.lufs = *lufs;
            break;
        }
    }
    return a;
}

std::string_view ParameterPlaceholder(EffectParameter p) {
    switch (p) {
        case EffectParameter::None: return "";
        case EffectParameter::Time: return "T";
        case EffectParameter::Format: return "K,B,R";
        case EffectParameter::Loudness: return "L";
    }
    return "";
}

}  // namespace zirpel
