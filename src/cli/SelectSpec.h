// `--select A:C`: the selection as the mouse would set it, given either as
// sample indices or as times in seconds ("4.5s", "4,5s").
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
    SelectEnd anchor;
    SelectEnd caret;
};

// A time in seconds as the time field writes it (decimal comma or point,
// sign, exponent; C locale, extended precision), but without the field's
// 1e-06..100 limit: a ringtone may start at 0 s or after 100 s. nullopt
// when the time field would not take the text as a number.
std::optional<Extended> ParseSeconds(std::string_view text);

// "A:C", each end a whole sample index ("-5", "120000") or seconds with an
// "s" suffix. nullopt when malformed.
std::optional<SelectSpec> ParseSelectSpec(std::string_view text);

// The sample index of one end in `clip`: seconds become frame trunc(t x
// rate) in extended precision and the frame's first index (twice the frame
// in stereo); then, as for the mouse, the index is held within 0..n-1
// (-1 for an empty clip).
std::int32_t ResolveSelectEnd(const SelectEnd& end, const ClipSpan& clip);

Selection ResolveSelection(const SelectSpec& spec, const ClipSpan& clip);

}  // namespace zirpel::cli
