// What a long task asks of whoever runs it.
//
// The MP3 import, the MP3 save, playback and the CD rip run on the caller's
// thread. They report progress, let pending window events run between
// steps (so the window stays usable and a STOP click can arrive), and end
// early when asked to. The window runs them with one implementation of this
// interface; the command line with another; tests with a fake.
#pragma once

#include <cstdint>

namespace zirpel {

class LongTask {
public:
    virtual ~LongTask() = default;

    // Progress in whole percent, 0..100. Called often: an implementation
    // that draws should only draw when what it shows changes.
    virtual void Progress(std::int32_t /*percent*/) {}

    // Lets pending events run once. Returns false when the owner of the task
    // was destroyed meanwhile: the task must then return at once without
    // touching anything it was handed.
    virtual bool Pump() { return true; }

    // A task that starts clears any earlier stop request; STOP, closing the
    // window or a termination signal then set it.
    virtual void ClearStop() {}
    virtual bool StopRequested() const { return false; }
};

}  // namespace zirpel
