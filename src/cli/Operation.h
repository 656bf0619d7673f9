// One step of the command line's work on a clip: a selection, or a row of
// the effect table (crop and cut included), in the order the user gave them.
#pragma once

#include <string>
#include <string_view>

#include "cli/SelectSpec.h"
#include "document/EditorDocument.h"
#include "effects/EffectStatus.h"
#include "effects/EffectTable.h"

namespace zirpel::cli {

struct Operation {
    enum class Kind { Select, Effect };
    Kind kind = Kind::Effect;
    SelectSpec select;                    // Select
    const EffectEntry* effect = nullptr;  // Effect
    std::string parameter;                // Effect: the text given after "="
    EffectArgument argument;              // Effect: as the row reads that text
};

// How a command-line word reads as an operation.
enum class WordStatus {
    Operation,       // `op` holds it
    NotAnOperation,  // no operation has that name: the word is a file name
    MissingValue,    // "fade-in" without "=T"
    UnexpectedValue, // "crop=1", "maximize=2"
    BadValue,        // "fade-in=abc", "format=quad,8,8000"
    OutOfRange,      // "echo=-1", "format=mono,8,-8000": outside the row's limits
};

// "crop", "cut", "maximize", "fade-in=T", "format=mono,8,8000", ... A time T
// must be a number as the time field reads it, within the row's limits;
// the format must be "mono|stereo,8|16,RATE" with RATE within the rate
// field's limits. (The window's fields hold a value at their limits; on a
// command line a value beyond them is a typo, not a wish.)
WordStatus ParseOperationWord(std::string_view word, Operation& op);

// For an OutOfRange word: which value lies outside which limits, in German.
std::string OutOfRangeText(std::string_view word);

// Runs one step on the document exactly as the window's command does: a
// selection moves the selection; a row runs as the window runs it. Done or
// Unchanged, or the row's error status (the clip then stays as it was);
// a clip that cannot be had is OutOfMemory.
EffectStatus ApplyOperation(const Operation& op, EditorDocument& doc);

}  // namespace zirpel::cli
