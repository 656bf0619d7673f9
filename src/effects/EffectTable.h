// The clip commands, one row each: crop and cut, every effect, the format
// change. The window builds its "Effekte" menu from the rows (order,
// captions, separators) and runs every row through one handler; the
// command line takes its operations and its help from them; undo names a
// step by the row's caption. Adding an effect: its own file in this folder,
// one row below, its tests (see docs/ARCHITECTURE.md).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "clip/Clip.h"
#include "clip/Extended.h"
#include "clip/Selection.h"
#include "effects/CropCut.h"
#include "effects/Crossfade.h"
#include "effects/Echo.h"
#include "effects/EffectStatus.h"
#include "effects/Fade.h"
#include "effects/FieldText.h"
#include "effects/FormatChange.h"
#include "effects/Loudness.h"
#include "effects/Reverse.h"
#include "effects/Speed.h"
#include "effects/Volume.h"

namespace zirpel {

// What a command asks for before it runs.
enum class EffectParameter {
    None,
    Time,    // seconds, through the time dialog "Effekt" (T on the command line)
    Format,  // channels, width and rate, through "Sampleformat ändern" (K,B,R)
    Loudness,  // a target in LUFS, through "Lautheit angleichen" (L)
};

// How a command changes the clip.
enum class EffectKind {
    InPlace,  // rewrites bytes; size, format and selection stay
    NewClip,  // builds a new clip, installed with nothing selected
    Rate,     // changes the sample rate alone
};

// Where the window shows the command: "Bearbeiten" (the window places
// those rows among its own entries) or "Effekte" (in table order).
enum class EffectMenu { Edit, Effects };

// A time parameter: the text the dialog shows first and the limits the
// value is held within.
struct TimeLimits {
    std::string_view preset;
    Extended min = kMinTime;
    Extended max = kMaxTime;
};

// The parameter as the command reads it from its dialog or its text.
struct EffectArgument {
    Extended seconds = 0;
    FormatChangeSettings format;
    double lufs = kDefaultLoudnessTarget;
};

struct EffectEntry {
    std::string_view name;     // on the command line: "fade-in"
    std::string_view caption;  // menu entry (and button): "Weich einblenden"
    std::string_view help;     // what `zirpel --help` says it does
    EffectMenu menu = EffectMenu::Effects;
    int group = 0;  // "Effekte": a separator stands between rows of different groups
    EffectParameter parameter = EffectParameter::None;
    TimeLimits time;  // parameter Time only
    EffectKind kind = EffectKind::InPlace;

    // InPlace: the effect, and the frames it will rewrite (for undo).
    EffectStatus (*inPlace)(MutableClipSpan, const Selection&, const EffectArgument&) = nullptr;
    FrameSpan (*changes)(ClipSpan, const Selection&, const EffectArgument&) = nullptr;
    // NewClip: builds `out` from the clip (`out` is written only on Done).
    EffectStatus (*newClip)(ClipSpan, const Selection&, const EffectArgument&, Clip& out) = nullptr;
    // Rate: the new rate from the old one.
    std::int32_t (*rate)(std::int32_t) = nullptr;

    // The caption without a trailing "...": the name of the undo step.
    constexpr std::string_view StepName() const {
        return caption.ends_with("...") ? caption.substr(0, caption.size() - 3) : caption;
    }
};

namespace rows {

// The effects' own signatures, adapted to the row's.
template <EffectStatus (*Fn)(MutableClipSpan, const Selection&, Extended)>
EffectStatus Timed(MutableClipSpan c, const Selection& s, const EffectArgument& a) {
    return Fn(c, s, a.seconds);
}
template <FrameSpan (*Fn)(ClipSpan, const Selection&, Extended)>
FrameSpan TimedFrames(ClipSpan c, const Selection& s, const EffectArgument& a) {
    return Fn(c, s, a.seconds);
}
template <EffectStatus (*Fn)(MutableClipSpan, const Selection&)>
EffectStatus Plain(MutableClipSpan c, const Selection& s, const EffectArgument&) {
    return Fn(c, s);
}
template <FrameSpan (*Fn)(ClipSpan, const Selection&)>
FrameSpan PlainFrames(ClipSpan c, const Selection& s, const EffectArgument&) {
    return Fn(c, s);
}
template <EffectStatus (*Fn)(ClipSpan, const Selection&, Clip&)>
EffectStatus FromSelection(ClipSpan in, const Selection& s, const EffectArgument&, Clip& out) {
    return Fn(in, s, out);
}
inline EffectStatus CrossfadeClip(ClipSpan in, const Selection&, const EffectArgument& a, Clip& out) {
    return Crossfade(in, a.seconds, out);
}
inline EffectStatus MatchLoudnessRow(MutableClipSpan c, const Selection& s, const EffectArgument& a) {
    return MatchLoudness(c, s, a.lufs);
}
inline FrameSpan LoudnessRowFrames(ClipSpan c, const Selection& s, const EffectArgument&) {
    return LoudnessFrames(c, s);
}
inline EffectStatus FormatClip(ClipSpan in, const Selection&, const EffectArgument& a, Clip& out) {
    return ChangeFormat(in, a.format, out);
}

constexpr EffectEntry Row(std::string_view name, std::string_view caption, std::string_view help,
                          EffectMenu menu, int group) {
    EffectEntry e;
    e.name = name;
    e.caption = caption;
    e.help = help;
    e.menu = menu;
    e.group = group;
    return e;
}
constexpr EffectEntry InPlace(std::string_view name, std::string_view caption, std::string_view help,
                              int group, decltype(EffectEntry::inPlace) fn,
                              decltype(EffectEntry::changes) changes, std::string_view preset = {}) {
    EffectEntry e = Row(name, caption, help, EffectMenu::Effects, group);
    e.parameter = preset.empty() ? EffectParameter::None : EffectParameter::Time;
    e.time.preset = preset;
    e.inPlace = fn;
    e.changes = changes;
    return e;
}
constexpr EffectEntry NewClip(std::string_view name, std::string_view caption, std::string_view help,
                              EffectMenu menu, int group, EffectParameter parameter,
                              decltype(EffectEntry::newClip) fn, std::string_view preset = {}) {
    EffectEntry e = Row(name, caption, help, menu, group);
    e.parameter = parameter;
    e.time.preset = preset;
    e.kind = EffectKind::NewClip;
    e.newClip = fn;
    return e;
}
constexpr EffectEntry RateRow(std::string_view name, std::string_view caption, std::string_view help,
                              int group, std::int32_t (*fn)(std::int32_t)) {
    EffectEntry e = Row(name, caption, help, EffectMenu::Effects, group);
    e.kind = EffectKind::Rate;
    e.rate = fn;
    return e;
}

}  // namespace rows

// Every command, in the order of the command line's help; the "Effekte"
// rows in the order of their menu.
inline constexpr std::array kEffectTable{
    rows::NewClip("crop", "Zur Auswahl zurechtschneiden", "Zur Auswahl zurechtschneiden (ohne Auswahl: nichts)",
                  EffectMenu::Edit, 0, EffectParameter::None, rows::FromSelection<CropSelection>),
    rows::NewClip("cut", "Die Auswahl wegschneiden", "Die Auswahl wegschneiden (ohne Auswahl: nichts)",
                  EffectMenu::Edit, 0, EffectParameter::None, rows::FromSelection<CutSelection>),
    rows::InPlace("echo", "Echo...", "Echo mit T Sekunden Verzögerung", 1, rows::Timed<Echo>,
                  rows::TimedFrames<EchoFrames>, "0,50"),
    rows::InPlace("fade-in", "Weich einblenden", "Weich einblenden, T Sekunden lang", 1, rows::Timed<FadeIn>,
                  rows::TimedFrames<FadeInFrames>, "2,00"),
    rows::InPlace("fade-out", "Weich ausblenden", "Weich ausblenden, T Sekunden lang", 1, rows::Timed<FadeOut>,
                  rows::TimedFrames<FadeOutFrames>, "2,00"),
    rows::NewClip("crossfade", "Ende auf Anfang überblenden",
                  "Ende auf Anfang überblenden (ganze Datei, wird um T Sekunden kürzer)", EffectMenu::Effects,
                  1, EffectParameter::Time, rows::CrossfadeClip, "2,00"),
    rows::InPlace("maximize", "Maximale Lautstärke", "Maximale Lautstärke", 2, rows::Plain<Maximize>,
                  rows::PlainFrames<VolumeFrames>),
    rows::InPlace("louder", "Lauter 10%", "Lauter 10%", 2, rows::Plain<Louder>, rows::PlainFrames<VolumeFrames>),
    rows::InPlace("quieter", "Leiser 10%", "Leiser 10%", 2, rows::Plain<Quieter>,
                  rows::PlainFrames<VolumeFrames>),
    rows::InPlace("reverse", "Rückwärts", "Rückwärts", 3, rows::Plain<Reverse>, rows::PlainFrames<ReverseFrames>),
    rows::RateRow("faster", "Schneller 10%", "Schneller 10% (Samplerate × 110 / 100)", 4, FasterRate),
    rows::RateRow("slower", "Langsamer 10%", "Langsamer 10% (Samplerate × 100 / 110)", 4, SlowerRate),
    rows::NewClip("format", "Sampleformat ändern...",
                  "Sampleformat ändern: K = mono oder stereo, B = 8 oder 16 Bit, R = Samples pro Sekunde "
                  "(1 bis 200000)",
                  EffectMenu::Edit, 0, EffectParameter::Format, rows::FormatClip),
    [] {
        EffectEntry e = rows::InPlace("loudness", "Lautheit angleichen...",
                                      "Lautheit angleichen: auf L LUFS (EBU R128), höchstens bis zur "
                                      "Vollaussteuerung",
                                      5, rows::MatchLoudnessRow, rows::LoudnessRowFrames);
        e.parameter = EffectParameter::Loudness;
        return e;
    }(),
};

inline std::span<const EffectEntry> EffectTable() { return kEffectTable; }

// The row of that name, or nullptr.
constexpr const EffectEntry* FindEffect(std::string_view name) {
    for (const EffectEntry& e : kEffectTable)
        if (e.name == name) return &e;
    return nullptr;
}

// The row of a name known when compiling: a name without a row does not compile.
consteval std::size_t EffectIndex(std::string_view name) {
    for (std::size_t i = 0; i < kEffectTable.size(); ++i)
        if (kEffectTable[i].name == name) return i;
    throw "no such effect";
}
template <std::size_t I>
constexpr const EffectEntry& EffectRow() {
    return kEffectTable[I];
}

// The argument in a command-line text: a time as the time field reads it
// (a non-number is the shortest time; the row's limits apply), the format
// as "mono|stereo,8|16,RATE" with RATE as the rate field reads it (held
// within 1..200000), a loudness as a number of LUFS (held within -60..0).
// nullopt for malformed format or loudness text. Rows without a
// parameter ignore the text.
std::optional<EffectArgument> ReadEffectArgument(const EffectEntry& e, std::string_view text);

// The placeholder the help writes for the parameter: "T", "K,B,R", "L" or "".
std::string_view ParameterPlaceholder(EffectParameter p);

}  // namespace zirpel
