#include "effects/EffectTable.h"

#include <array>
#include <string>

#include "effects/Crossfade.h"
#include "effects/Echo.h"
#include "effects/Fade.h"
#include "effects/FieldText.h"
#include "effects/FormatChange.h"
#include "effects/Loudness.h"
#include "effects/Reverse.h"
#include "effects/Speed.h"
#include "effects/Volume.h"

namespace zirpel {
namespace {

// Installs a new clip as the window does: the selection is cleared.
EffectStatus Install(EffectStatus status, Clip& result, Clip& clip, Selection& sel) {
    if (status == EffectStatus::Done) {
        clip = std::move(result);
        sel = {0, 0};
    }
    return status;
}

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

template <EffectStatus (*Fn)(MutableClipSpan, const Selection&, Extended)>
EffectStatus Timed(Clip& clip, Selection& sel, std::string_view param) {
    return Fn(clip.mutableSpan(), sel, ReadTimeText(param));
}

template <EffectStatus (*Fn)(MutableClipSpan, const Selection&)>
EffectStatus Plain(Clip& clip, Selection& sel, std::string_view) {
    return Fn(clip.mutableSpan(), sel);
}

EffectStatus ApplyCrossfade(Clip& clip, Selection& sel, std::string_view param) {
    Clip result;
    return Install(Crossfade(clip.span(), ReadTimeText(param), result), result, clip, sel);
}

EffectStatus ApplyFormat(Clip& clip, Selection& sel, std::string_view param) {
    FormatChangeSettings s;
    if (!ParseFormat(param, s)) return EffectStatus::BadParameter;
    Clip result;
    return Install(ChangeFormat(clip.span(), s, result), result, clip, sel);
}

EffectStatus ApplyFaster(Clip& clip, Selection&, std::string_view) {
    clip.format.sampleRate = FasterRate(clip.format.sampleRate);
    return EffectStatus::Done;
}

EffectStatus ApplySlower(Clip& clip, Selection&, std::string_view) {
    clip.format.sampleRate = SlowerRate(clip.format.sampleRate);
    return EffectStatus::Done;
}

// "Lautheit angleichen...": the target in LUFS; malformed text is BadParameter.
EffectStatus ApplyLoudness(Clip& clip, Selection& sel, std::string_view param) {
    const auto target = ParseLoudnessTarget(param);
    if (!target) return EffectStatus::BadParameter;
    return MatchLoudness(clip.mutableSpan(), sel, *target);
}

constexpr std::array<EffectEntry, 12> kTable{{
    {"fade-in", true, Timed<FadeIn>},
    {"fade-out", true, Timed<FadeOut>},
    {"crossfade", true, ApplyCrossfade},
    {"maximize", false, Plain<Maximize>},
    {"louder", false, Plain<Louder>},
    {"quieter", false, Plain<Quieter>},
    {"echo", true, Timed<Echo>},
    {"reverse", false, Plain<Reverse>},
    {"faster", false, ApplyFaster},
    {"slower", false, ApplySlower},
    {"format", true, ApplyFormat},
    {"loudness", true, ApplyLoudness},
}};

}  // namespace

std::span<const EffectEntry> EffectTable() { return kTable; }

const EffectEntry* FindEffect(std::string_view name) {
    for (const EffectEntry& e : kTable)
        if (e.name == name) return &e;
    return nullptr;
}

}  // namespace zirpel
