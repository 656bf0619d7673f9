// Test-side stand-in for the window around the play loop: the loop's
// questions answered by plain functions, so each test states only what it
// varies.
#pragma once

#include <functional>

#include "playback/PlayLoop.h"

namespace zirpel::testing {

struct PlayCallbacks {
    std::function<bool()> pumpEvents;
    std::function<ClipSpan()> currentClip;
    std::function<bool()> loopChecked;
    std::function<bool()> stopRequested;
    std::function<void(std::int64_t)> drawCursor;
};

class CallbackPlay final : public PlaySource, public LongTask {
public:
    explicit CallbackPlay(const PlayCallbacks& cb) : cb_(cb) {}
    ClipSpan CurrentClip() const override { return cb_.currentClip(); }
    bool LoopChecked() const override { return cb_.loopChecked(); }
    void DrawCursor(std::int64_t i) override { cb_.drawCursor(i); }
    bool Pump() override { return cb_.pumpEvents(); }
    bool StopRequested() const override { return cb_.stopRequested(); }

private:
    const PlayCallbacks& cb_;
};

inline PlayEnd RunPlayLoop(const PlayOutput& out, FrameRange range, const PlayCallbacks& cb,
                           SoundResult& result) {
    CallbackPlay play(cb);
    const PlayResult r = zirpel::RunPlayLoop(out, range, play, play);
    result = r.lastCall;
    return r.end;
}

}  // namespace zirpel::testing
