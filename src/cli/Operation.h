// One step of the command line's work on a clip: a selection, crop, cut, or
// an effect of the effect table, in the order the user gave them.
#pragma once

#include <string>
#include <string_view>

#include "cli/SelectSpec.h"
#include "clip/Clip.h"
#include "clip/Selection.h"
#include "effects/EffectStatus.h"
#include "effects/EffectTable.h"

namespace zirpel::cli {

struct Operation {
    enum class Kind { Select, Crop, Cut, Effect };
    Kind kind = Kind::Crop;
    SelectSpec select;                    // Select
    const EffectEntry* effect = nullptr;  // Effect
    std::string parameter;                // Effect, when it takes one
};

// How a command-line word reads as an operation.
enum class WordStatus {
    Operation,       // `op` holds it
    NotAnOperation,  // no operation has that name: the word is a file name
    MissingValue,    // "fade-in" without "=T"
    UnexpectedValue, // "crop=1", "maximize=2"
    BadValue,        // "fade-in=abc", "format=quad,8,8000"
    OutOfRange,      // "echo=-1", "format=mono,8,-8000": outside the field's limits
};

// "crop", "cut", "maximize", "fade-in=T", "format=mono,8,8000", ... A time T
// must be a number as the time field reads it, within the field's limits;
// the format must be "mono|stereo,8|16,RATE" with RATE within the rate
// field's limits. (The window's fields hold a value at their limits; on a
// command line a value beyond them is a typo, not a wish.)
WordStatus ParseOperationWord(std::string_view word, Operation& op);

// For an OutOfRange word: which value lies outside which limits, in German.
std::string OutOfRangeText(std::string_view word);

// Runs one step on the clip and its selection, exactly as the window's
// command does: crop and cut do nothing without a selection and otherwise
// install the new clip with nothing selected; effects run through the
// effect table. Done or Unchanged, or the effect's error status (the clip
// then stays as it was).
EffectStatus ApplyOperation(const Operation& op, Clip& clip, Selection& sel);

}  // namespace zirpel::cli
