// A manual-reset event shared between the audio device's thread, which
// signals it, and the user-interface thread, which waits on it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zirpel {

class PlayEvent {
public:
    PlayEvent() = default;
    PlayEvent(const PlayEvent&) = delete;
    PlayEvent& operator=(const PlayEvent&) = delete;

    // Signals the event; it stays signalled until Reset.
    void Set();
    // Makes the event non-signalled (no effect once abandoned).
    void Reset();
    bool IsSet() const;

    // Blocks without a time-out until the event is signalled. Returns true
    // when it was signalled, false when it was abandoned because the device
    // that signals it is gone: a waiter can never hang on a closed device.
    bool Wait();
    // As Wait, but gives up after `timeout`; false on time-out or abandon.
    bool WaitFor(std::chrono::milliseconds timeout);

    // The device that signals this event has gone away: wakes every waiter
    // and makes every later Wait return false at once.
    void Abandon();
    bool IsAbandoned() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool set_ = false;
    bool abandoned_ = false;
};

}  // namespace zirpel
