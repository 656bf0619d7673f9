// `--select`: the selection as the mouse would set it ("A:C"), from a start
// for a length ("45s+30s", as "Auswahl festlegen..." sets it), or the
// suggested ringtone pick ("suggest"). Ends are sample indices or times:
// seconds with an "s" suffix ("4.5s", "4,5s") or minutes and seconds
// ("1:23,450", an "s" after it allowed).
//
// The ends are kept as typed and resolved against the clip only when the
// step runs, because earlier operations (faster, slower, format, crop) may
// have changed the clip's rate and length by then.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "clip/Clip.h"
#include "clip/Extended.h"
#include "clip/Selection.h"

namespace zirpel::cli {

struct SelectEnd {
    bool inSeconds = false;
    std::int64_t index = 0;  // sample index, when !inSeconds (saturated)
    Extended seconds = 0;    // when inSeconds (not limited)
};

struct SelectSpec {
    enum class Form { Ends, StartLength, Suggest };
    Form form = Form::Ends;
    SelectEnd anchor;  // StartLength: the start
    SelectEnd caret;   // StartLength: the length
    double suggestSeconds = 30;  // Suggest: the pick's length
};

// A time in seconds as the time field writes it (decimal comma or point,
// sign, exponent; C locale, extended precision), but without the field's
// 1e-06..100 limit: a ringtone may start at 0 s or after 100 s. nullopt
// when the time field would not take the text as a number.
std::optional<Extended> ParseSeconds(std::string_view text);

// "A:C" or "S+L", each part a whole sample index ("-5", "120000") or a
// time; or "suggest". A colon inside a time is told from the separator by
// trying each colon: exactly one must give two valid ends. nullopt when
// malformed or ambiguous.
std::optional<SelectSpec> ParseSelectSpec(std::string_view text);

// A time or index as one end reads it ("30s", "0:30", "1500"), for
// `--suggest`; nullopt when malformed.
std::optional<SelectEnd> ParseSelectEnd(std::string_view text);

// The sample index of one end of "A:C" in `clip`: a time goes through
// SampleIndexAtTime (frame trunc(t x rate) in extended precision, its first
// index); then, as for the mouse, the index is held within 0..n-1 (-1 for
// an empty clip).
std::int32_t ResolveSelectEnd(const SelectEnd& end, const ClipSpan& clip);

// The selection in `clip`. "S+L" is held within 0..the clip's end, as the
// exact-selection dialog holds it; "suggest" is the suggested pick.
Selection ResolveSelection(const SelectSpec& spec, const ClipSpan& clip);

}  // namespace zirpel::cli
