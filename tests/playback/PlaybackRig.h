// The playback objects set up as the main window does, for tests and
// benchmarks that run the play loop without a window.
#pragma once

#include <memory>

#include "playback/PlayLoop.h"
#include "playback/SoundBuffer.h"

namespace zirpel::testing {

struct PlaybackRig {
    std::unique_ptr<SoundDevice> device;
    WaveFormatEx format{};
    SoundBufferDesc desc{};
    std::shared_ptr<LoopingSoundBuffer> buffer;
    std::shared_ptr<SoundNotify> notify;
    std::shared_ptr<PlayEvent> firstHalf;
    std::shared_ptr<PlayEvent> secondHalf;
    PositionNotify positions[2];

    SoundResult SetUp(std::unique_ptr<SoundDevice> dev) {
        device = std::move(dev);
        if (!device) return SoundResult::NoDriver;
        SoundResult r = device->SetCooperativeLevel(kCooperativePriority);
        if (r != SoundResult::Ok) return r;
        format = MakePlayFormat();
        desc = MakePlayBufferDesc(kPlayBufferBytes, &format);
        r = device->CreateSoundBuffer(desc, buffer);
        if (r != SoundResult::Ok) return r;
        r = buffer->QueryNotify(notify);
        if (r != SoundResult::Ok) return r;
        firstHalf = std::make_shared<PlayEvent>();
        secondHalf = std::make_shared<PlayEvent>();
        positions[0] = {kFirstHalfNotifyOffset, firstHalf};
        positions[1] = {kSecondHalfNotifyOffset, secondHalf};
        return notify->SetNotificationPositions(2, positions);
    }

    PlayOutput Output() { return {*buffer, *firstHalf, *secondHalf}; }

    ~PlaybackRig() {
        notify.reset();
        buffer.reset();
        device.reset();
    }
};

}  // namespace zirpel::testing
