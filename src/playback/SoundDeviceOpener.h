// Opens the real sound output ahead of time, on a thread of its own, so that
// loading SDL and reaching the sound server overlap the window's
// construction instead of adding to it. The window still asks for its device
// at the same step of its creation and gets the same answer, device or
// failure, as opening it there would have given.
#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "playback/SoundBuffer.h"

namespace zirpel {

class SoundDeviceOpener {
public:
    using OpenFunction = std::function<SoundResult(std::unique_ptr<SoundDevice>&)>;

    // Starts a thread that runs `beforehand` (other start-up work the caller
    // wants off its own thread; run here, before SDL loads, it does not
    // wait for the library loader behind it) and then opens a device with
    // `open` (the real SDL output by default).
    explicit SoundDeviceOpener(std::function<void()> beforehand = {}, OpenFunction open = {});
    // Waits for the thread; a device nobody took is closed.
    ~SoundDeviceOpener();

    SoundDeviceOpener(const SoundDeviceOpener&) = delete;
    SoundDeviceOpener& operator=(const SoundDeviceOpener&) = delete;

    // The first call waits for the device opened ahead and hands it over;
    // every later call opens a new one there and then.
    SoundResult Take(std::unique_ptr<SoundDevice>& out);

private:
    OpenFunction open_;
    std::thread thread_;
    bool taken_ = false;
    SoundResult result_ = SoundResult::NoDriver;
    std::unique_ptr<SoundDevice> device_;
};

}  // namespace zirpel
