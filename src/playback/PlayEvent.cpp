#include "playback/PlayEvent.h"

namespace zirpel {

void PlayEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    changed_.notify_all();
}

void PlayEvent::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool PlayEvent::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_ || abandoned_;
}

bool PlayEvent::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return set_ || abandoned_; });
    return !abandoned_;
}

bool PlayEvent::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [this] { return set_ || abandoned_; })) return false;
    return !abandoned_;
}

void PlayEvent::Abandon() {
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    changed_.notify_all();
}

bool PlayEvent::IsAbandoned() const {
    std::lock_guard lock(mutex_);
    return abandoned_;
}

}  // namespace zirpel
