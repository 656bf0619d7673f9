// "Zur Auswahl zurechtschneiden" and "Die Auswahl wegschneiden" as commands
// that build a new clip from the selected bytes (clip/Selection.h decides
// which bytes those are).
#pragma once

#include "clip/Clip.h"
#include "clip/Selection.h"
#include "effects/EffectStatus.h"

namespace zirpel {

// Nothing selected: Unchanged, and `out` stays as it is. Otherwise Done,
// with `out` holding the selected bytes (crop) or all the others (cut) in
// the same format. Throws std::bad_alloc when the new clip cannot be had.
EffectStatus CropSelection(ClipSpan in, const Selection& sel, Clip& out);
EffectStatus CutSelection(ClipSpan in, const Selection& sel, Clip& out);

}  // namespace zirpel
