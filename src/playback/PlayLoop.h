// The play loop: streams the clip through the looping sound buffer a chunk
// at a time on the calling (user-interface) thread, letting window events
// run once per round so the window stays usable while it plays.
#pragma once

#include <cstdint>
#include <span>

#include "clip/Clip.h"
#include "clip/LongTask.h"
#include "clip/Selection.h"
#include "playback/PlayEvent.h"
#include "playback/SoundBuffer.h"

namespace zirpel {

// What the loop reads from the window each round, besides the long-task
// context (Pump between rounds, StopRequested after each refill).
class PlaySource {
public:
    virtual ~PlaySource() = default;
    // The clip as it is now: a command run while events were pumped may
    // have replaced it, so the loop never keeps this across a Pump.
    virtual ClipSpan CurrentClip() const = 0;
    // Whether the loop check box is ticked (read every round).
    virtual bool LoopChecked() const = 0;
    // Moves the play cursor to this sample index (once per round).
    virtual void DrawCursor(std::int64_t sampleIndex) = 0;
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

// How a play (or one refill) ended, with the result of the last Lock,
// Unlock or Play call.
struct PlayResult {
    PlayEnd end = PlayEnd::RangeDone;
    SoundResult lastCall = SoundResult::Ok;
};

// Waits for the first half of the buffer to be played and copies the
// chunk's first half into it, then waits for the second half and copies
// the rest. DeviceLost when the device went away during a wait. A failed
// Lock copies nothing; its result is the lastCall.
PlayResult RefillPlayBuffer(const PlayOutput& out, std::span<const std::uint8_t, kChunkBytes> chunk);

// Plays `range` of the clip until it ends (without looping), a stop request
// or the loss of the device. Silences the buffer and starts it looping;
// each round pumps events, fills the next chunk from the clip as it is
// then, moves the cursor and refills the buffer. When the range ends on its
// own the buffer plays out the last chunk before it stops; after a stop
// request it stops at once.
PlayResult RunPlayLoop(const PlayOutput& out, FrameRange range, PlaySource& source, LongTask& task);

}  // namespace zirpel
