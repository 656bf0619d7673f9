#include "playback/SoundDeviceOpener.h"

#include <system_error>

#include "playback/SdlSoundDevice.h"

namespace zirpel {

SoundDeviceOpener::SoundDeviceOpener(std::function<void()> beforehand, OpenFunction open)
    : open_(open ? std::move(open) : OpenFunction(CreateSdlSoundDevice)) {
    // The thread writes result_ and device_ only; Take() reads them after
    // joining it. Without a thread, `beforehand` runs here and the device
    // is opened when it is taken.
    try {
        thread_ = std::thread([this, beforehand] {
            if (beforehand) beforehand();
            result_ = open_(device_);
        });
    } catch (const std::system_error&) {
        if (beforehand) beforehand();
    }
}

SoundDeviceOpener::~SoundDeviceOpener() {
    if (thread_.joinable()) thread_.join();
}

SoundResult SoundDeviceOpener::Take(std::unique_ptr<SoundDevice>& out) {
    if (taken_ || !thread_.joinable()) return open_(out);
    taken_ = true;
    thread_.join();
    out = std::move(device_);
    return result_;
}

}  // namespace zirpel
