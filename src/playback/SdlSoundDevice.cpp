#include "playback/SdlSoundDevice.h"

#include <cstring>

#include "playback/SdlLibrary.h"

namespace zirpel {

namespace {

// The SDL callback thread copies from the current buffer at its play
// position. SDL keeps calling back at the device's pace even after the
// device was unplugged or failed (it then discards the data), so the
// buffer's notifications keep coming; closing the device marks the buffer
// lost, which releases anybody waiting on them.
class SdlSoundDevice final : public SoundDevice {
public:
    // Takes over one reference to SDL's audio subsystem.
    explicit SdlSoundDevice(const SdlLibrary& sdl) : sdl_(sdl) {}

    ~SdlSoundDevice() override {
        if (id_ != 0) {
            sdl_.LockAudioDevice(id_);
            std::shared_ptr<LoopingSoundBuffer> buffer = buffer_.lock();
            buffer_.reset();
            sdl_.UnlockAudioDevice(id_);
            sdl_.CloseAudioDevice(id_);  // joins the callback thread
            if (buffer) buffer->MarkLost();
        }
        sdl_.QuitSubSystem(SDL_INIT_AUDIO);
        if (sdl_.WasInit(SDL_INIT_EVERYTHING) == 0) sdl_.Quit();
    }

    SdlSoundDevice(const SdlSoundDevice&) = delete;
    SdlSoundDevice& operator=(const SdlSoundDevice&) = delete;

    // Opens the default output for 16-bit stereo at 44100 Hz (SDL converts
    // if the hardware wants something else) and starts the callbacks.
    bool Open() {
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_S16LSB;
        want.channels = 2;
        want.samples = 1024;  // about 23 ms per callback
        want.callback = &SdlSoundDevice::Callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        id_ = sdl_.OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (id_ == 0) return false;
        sdl_.PauseAudioDevice(id_, 0);
        return true;
    }

    SoundResult CreateSoundBuffer(const SoundBufferDesc& desc,
                                  std::shared_ptr<LoopingSoundBuffer>& out) override {
        out.reset();
        std::shared_ptr<LoopingSoundBuffer> buffer;
        const SoundResult r = LoopingSoundBuffer::Create(desc, buffer);
        if (r != SoundResult::Ok) return r;
        const WaveFormatEx want = MakePlayFormat();
        const WaveFormatEx& got = buffer->Format();
        if (got.nChannels != want.nChannels || got.nSamplesPerSec != want.nSamplesPerSec ||
            got.wBitsPerSample != want.wBitsPerSample)
            return SoundResult::BadFormat;
        // One buffer plays at a time: a new one takes the place of the old.
        sdl_.LockAudioDevice(id_);
        std::shared_ptr<LoopingSoundBuffer> old = buffer_.lock();
        buffer_ = buffer;
        sdl_.UnlockAudioDevice(id_);
        if (old) old->MarkLost();
        out = std::move(buffer);
        return SoundResult::Ok;
    }

private:
    static void SDLCALL Callback(void* user, Uint8* stream, int len) {
        auto* self = static_cast<SdlSoundDevice*>(user);
        if (len <= 0) return;
        // SDL holds the device lock around the callback, so buffer_ cannot
        // change meanwhile.
        if (std::shared_ptr<LoopingSoundBuffer> buffer = self->buffer_.lock())
            buffer->Render(stream, static_cast<std::size_t>(len));
        else
            std::memset(stream, 0, static_cast<std::size_t>(len));
    }

    const SdlLibrary& sdl_;
    SDL_AudioDeviceID id_ = 0;
    // Not owned: the window owns the buffer; a released buffer goes silent.
    std::weak_ptr<LoopingSoundBuffer> buffer_;
};

}  // namespace

SoundResult CreateSdlSoundDevice(std::unique_ptr<SoundDevice>& out) {
    out.reset();
    const SdlLibrary* sdl = LoadSdlLibrary();
    if (!sdl) return SoundResult::NoDriver;
    // SDL would otherwise turn SIGINT and SIGTERM into quit events that this
    // program never reads, so it could no longer be ended by a signal.
    sdl->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (sdl->InitSubSystem(SDL_INIT_AUDIO) != 0) return SoundResult::NoDriver;
    auto device = std::make_unique<SdlSoundDevice>(*sdl);
    if (!device->Open()) return SoundResult::NoDriver;  // the destructor quits SDL again
    out = std::move(device);
    return SoundResult::Ok;
}

}  // namespace zirpel
