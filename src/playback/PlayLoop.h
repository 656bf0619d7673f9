// The play loop: streams the clip through the looping sound buffer a chunk
// at a time on the calling (user-interface) thread, pumping window events
// once per round so the window stays usable while it plays.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "playback/ChunkFill.h"
#include "playback/PlayEvent.h"
#include "playback/SoundBuffer.h"

namespace zirpel {

// What the loop asks of the window. Every callback is called on the thread
// that runs the loop.
struct PlayCallbacks {
    // Processes pending window events once. Returns false when the window
    // was destroyed meanwhile: the loop then returns at once and touches
    // nothing else.
    std::function<bool()> pumpEvents;
    // The clip as it is now (a command run while pumping may replace it).
    std::function<ClipView()> currentClip;
    // Whether the loop check box is ticked (read every round).
    std::function<bool()> loopChecked;
    // Whether STOP or closing the window asked the play to end.
    std::function<bool()> stopRequested;
    // Moves the play cursor to this sample index (once per round).
    std::function<void(std::int64_t sampleIndex)> drawCursor;
};

// The output the loop feeds: the buffer and the events its two position
// notifications (bytes 22050 and 44099) signal.
struct PlayOutput {
    LoopingSoundBuffer& buffer;
    PlayEvent& firstHalf;
    PlayEvent& secondHalf;
};

enum class PlayEnd {
    RangeDone,   // the range ended without looping (its last chunk was played out)
    Stopped,     // a stop request ended the play
    DeviceLost,  // the device went away; the buffer is stopped
    WindowGone,  // the window was destroyed while pumping; nothing was touched
};

// Waits for the first half of the buffer to be played and copies the
// chunk's first half into it, then waits for the second half and copies
// the rest. Returns false when the device went away during a wait. A failed
// Lock copies nothing; its result is left in `result`.
bool RefillPlayBuffer(const PlayOutput& out, std::span<const std::uint8_t, kChunkBytes> chunk,
                      SoundResult& result);

// Plays `range` of the clip until it ends (without looping), a stop request
// or the loss of the device. Silences the buffer and starts it looping;
// each round pumps events, fills the next chunk from the clip as it is
// then, moves the cursor and refills the buffer. When the range ends on its
// own the buffer plays out the last chunk before it stops; after a stop
// request it stops at once. Results of Lock, Unlock and Play go to
// `result`.
PlayEnd RunPlayLoop(const PlayOutput& out, PlayRange range, const PlayCallbacks& cb,
                    SoundResult& result);

}  // namespace zirpel
