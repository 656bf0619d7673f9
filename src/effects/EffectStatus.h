// How an effect command ended, and the message the user sees for it.
#pragma once

#include "clip/Notice.h"

namespace zirpel {

enum class EffectStatus {
    Done,       // the effect ran; the clip (or the new clip) holds its result
    Unchanged,  // the effect refused on purpose and left the clip as it was;
                // no message, the window just redraws
    InvalidFloatingPointOperation,  // a fade or crossfade length of 0 frames
    DivisionByZero,                 // a format change of a clip at 0 Hz
    OutOfMemory,                    // the new clip cannot be had
    BadParameter,                   // a text parameter (command line) is malformed
};

// The user's text for a status; empty for Done and Unchanged. The three
// arithmetic and memory errors go to the general error display.
Notice NoticeFor(EffectStatus status);

}  // namespace zirpel
