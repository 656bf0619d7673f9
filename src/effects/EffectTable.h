// Every effect by name, runnable from a text parameter: what the command
// line offers. Each entry applies itself to a clip and its selection just as
// the window's command does, minus the dialog.
#pragma once

#include <span>
#include <string_view>

#include "clip/Clip.h"
#include "clip/Selection.h"
#include "effects/EffectStatus.h"

namespace zirpel {

struct EffectEntry {
    std::string_view name;  // "fade-in", "format", ...
    bool takesParameter;    // the time (fades, crossfade, echo) or the format
    // Runs the effect. `param` is read only by entries that take one:
    //   time: as the time field reads it ("2,5" or "2.5"; a non-number is
    //         the shortest time, values are held within 1e-06..100);
    //   format: "mono|stereo,8|16,RATE", RATE as the rate field reads it
    //         (held within 1..200000); malformed text is BadParameter.
    // Entries that build a new clip (crossfade, format) install it and set
    // the selection to 0/0 on Done.
    EffectStatus (*apply)(Clip& clip, Selection& sel, std::string_view param);
};

// fade-in, fade-out, crossfade, maximize, louder, quieter, echo, reverse,
// faster, slower, format.
std::span<const EffectEntry> EffectTable();

// The entry of that name, or nullptr.
const EffectEntry* FindEffect(std::string_view name);

}  // namespace zirpel
