#include "codec/Mpg123Driver.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "clip/RuntimeLibrary.h"
#include "clip/VectorState.h"
#include "codec/Mp3DataStart.h"
#include "codec/Mp3FrameDecoder.h"

namespace zirpel::acm {

namespace {

// libmpg123, opened with the first decoder or list of formats.
#define ZIRPEL_MPG123_ENTRY_POINTS(X) \
    X(mpg123_close) X(mpg123_delete) X(mpg123_feed) X(mpg123_format) X(mpg123_format_none) \
    X(mpg123_framebyframe_decode) X(mpg123_framebyframe_next) X(mpg123_framepos) X(mpg123_init) \
    X(mpg123_new) X(mpg123_open_feed) X(mpg123_param) X(mpg123_rates) X(mpg123_read) \
    X(mpg123_tellframe)
ZIRPEL_RUNTIME_LIBRARY(Mpg123Library, LoadMpg123, "libmpg123.so.0", ZIRPEL_MPG123_ENTRY_POINTS)
// The entry points, once LoadMpg123() has succeeded.
const Mpg123Library& Mpg123() { return *LoadMpg123(); }

// False when the library cannot be loaded: then there is no MP3 decoder.
bool InitLibrary() {
    if (!LoadMpg123()) return false;
    static std::once_flag once;
    std::call_once(once, [] { Mpg123().mpg123_init(); });
    return true;
}

std::vector<long> DecoderRates() {
    if (!InitLibrary()) return {};
    const long* list = nullptr;
    std::size_t count = 0;
    Mpg123().mpg123_rates(&list, &count);
    return std::vector<long>(list, list + count);
}

bool RateSupported(std::uint32_t rate) {
    for (long r : DecoderRates())
        if (static_cast<std::uint32_t>(r) == rate) return true;
    return false;
}

// A decoder in feed mode for exactly this rate, channel count and 16-bit
// signed output; it converts a stream that differs from what its header
// said. Every decoder of the program is made here, so that they all decode
// alike. Null on failure (`noMemory` tells why).
mpg123_handle* OpenFeedDecoder(std::uint32_t rate, std::uint16_t channels, bool& noMemory) {
    noMemory = false;
    if (!InitLibrary()) return nullptr;
    int error = MPG123_OK;
    mpg123_handle* handle = Mpg123().mpg123_new(nullptr, &error);
    noMemory = handle == nullptr;
    if (handle == nullptr) return nullptr;
    const bool ok = Mpg123().mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0) == MPG123_OK &&
                    Mpg123().mpg123_format_none(handle) == MPG123_OK &&
                    Mpg123().mpg123_format(handle, static_cast<long>(rate),
                                  channels == 2 ? MPG123_STEREO : MPG123_MONO,
                                  MPG123_ENC_SIGNED_16) == MPG123_OK &&
                    Mpg123().mpg123_open_feed(handle) == MPG123_OK;
    if (!ok) {
        Mpg123().mpg123_delete(handle);
        return nullptr;
    }
    return handle;
}

class Mpg123FrameDecoder final : public Mp3FrameDecoder {
public:
    explicit Mpg123FrameDecoder(mpg123_handle* handle) : handle_(handle) {}
    ~Mpg123FrameDecoder() override { Mpg123().mpg123_delete(handle_); }
    Mpg123FrameDecoder(const Mpg123FrameDecoder&) = delete;
    Mpg123FrameDecoder& operator=(const Mpg123FrameDecoder&) = delete;

    bool Feed(const std::uint8_t* data, std::size_t size) override {
        return Mpg123().mpg123_feed(handle_, data, size) == MPG123_OK;
    }
    Step Next() override {
        const int r = Mpg123().mpg123_framebyframe_next(handle_);
        if (r == MPG123_OK || r == MPG123_NEW_FORMAT) return Step::Frame;
        if (r == MPG123_NEED_MORE) return Step::NeedMore;
        return r == MPG123_DONE ? Step::End : Step::Failed;
    }
    std::int64_t FrameNumber() const override { return Mpg123().mpg123_tellframe(handle_); }
    std::int64_t FramePosition() const override { return Mpg123().mpg123_framepos(handle_); }
    bool Decode(const std::uint8_t*& pcm, std::size_t& bytes) override {
        off_t number = 0;
        unsigned char* audio = nullptr;
        bytes = 0;
        ClearUpperVectorState();
        const int r = Mpg123().mpg123_framebyframe_decode(handle_, &number, &audio, &bytes);
        pcm = audio;
        return r == MPG123_OK || r == MPG123_NEW_FORMAT;
    }

private:
    mpg123_handle* handle_;
};

// Largest Layer III frame body in bytes for a bit rate and sample rate.
std::uint16_t Layer3BlockSize(std::uint32_t kbps, std::uint32_t rate) {
    const std::uint32_t factor = rate >= 32000 ? 144 : 72;
    return static_cast<std::uint16_t>(factor * kbps * 1000 / rate);
}

class Mpg123Stream final : public AcmCodecStream {
public:
    Mpg123Stream(mpg123_handle* handle, std::uint32_t rate, std::uint16_t channels)
        : handle_(handle), rate_(rate), channels_(channels), blockAlign_(channels * 2u) {}
    ~Mpg123Stream() override {
        Mpg123().mpg123_close(handle_);
        Mpg123().mpg123_delete(handle_);
    }

    MMRESULT size(std::uint32_t input, std::uint32_t& output, std::uint32_t flags) override {
        if (flags == ACM_STREAMSIZEF_SOURCE) {
            const std::uint64_t bytes =
                std::uint64_t{input} * kMpg123OutputPerInputByte + kMpg123OutputMargin;
            if (bytes > 0x7FFFFFFFu) return MMSYSERR_NOMEM;
            output = static_cast<std::uint32_t>(bytes / blockAlign_ * blockAlign_);
            return MMSYSERR_NOERROR;
        }
        if (input < kMpg123OutputMargin + kMpg123OutputPerInputByte) return ACMERR_NOTPOSSIBLE;
        output = (input - kMpg123OutputMargin) / kMpg123OutputPerInputByte;
        return MMSYSERR_NOERROR;
    }

    MMRESULT convert(ACMSTREAMHEADER& h, std::uint32_t flags) override {
        if ((flags & ACM_STREAMCONVERTF_START) != 0 && fed_ > 0) {
            if (MMRESULT r = reset(); r != MMSYSERR_NOERROR) return r;
        }
        ClearUpperVectorState();
        std::uint32_t produced = 0;
        // Decoded samples held back by the previous call come first.
        bool full = drain(h, produced);
        std::uint32_t used = 0;
        if (full) {
            // The output is already full: take one byte, so the stream still
            // moves on while the decoder's backlog stays small.
            if (h.cbSrcLength > 0) {
                if (!feed(h.pbSrc, 1)) return MMSYSERR_ERROR;
                used = 1;
            }
        } else {
            while (used < h.cbSrcLength && !full) {
                const std::uint32_t n = std::min<std::uint32_t>(h.cbSrcLength - used, kChunk);
                if (!feed(h.pbSrc + used, n)) return MMSYSERR_ERROR;
                used += n;
                full = drain(h, produced);
            }
        }
        h.cbSrcLengthUsed = used;
        h.cbDstLengthUsed = produced;
        return MMSYSERR_NOERROR;
    }

    MMRESULT reset() override {
        Mpg123().mpg123_close(handle_);
        fed_ = 0;
        return Mpg123().mpg123_open_feed(handle_) == MPG123_OK ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
    }

    Mp3FrameDecoderFactory frameDecoders() const override { return Mpg123FrameDecoders(rate_, channels_); }

private:
    static constexpr std::uint32_t kChunk = 512;

    bool feed(const std::uint8_t* data, std::uint32_t n) {
        fed_ += n;
        return Mpg123().mpg123_feed(handle_, data, n) == MPG123_OK;
    }

    // Moves decoded PCM into the output; true when the output is full (the
    // decoder may then hold more).
    bool drain(ACMSTREAMHEADER& h, std::uint32_t& produced) {
        // Whole frames only, so that a stereo pair is never split.
        const std::uint32_t capacity = h.cbDstLength / blockAlign_ * blockAlign_;
        while (produced < capacity) {
            std::size_t done = 0;
            const int r = Mpg123().mpg123_read(handle_, h.pbDst + produced, capacity - produced, &done);
            produced += static_cast<std::uint32_t>(done);
            if (r == MPG123_NEW_FORMAT) continue;
            if (r == MPG123_OK) {
                if (done == 0) return false;
                continue;
            }
            // MPG123_NEED_MORE, MPG123_DONE or a decoding error: nothing more
            // comes out until more input arrives. The decoder resynchronises
            // by itself on damaged data.
            return false;
        }
        return true;
    }

    mpg123_handle* handle_;
    std::uint32_t rate_;
    std::uint16_t channels_;
    std::uint32_t blockAlign_;
    std::uint64_t fed_ = 0;
};

class Mpg123Driver final : public AcmDriver {
public:
    MMRESULT enumFormats(const FormatCallback& each) override {
        const std::vector<long> rates = DecoderRates();
        // The decoder's output formats first, then the MPEG layer-3 inputs.
        for (long rate : rates) {
            for (std::uint16_t channels = 1; channels <= 2; ++channels) {
                FormatBlock b{};
                PutU16(b, wfx::wFormatTag, WAVE_FORMAT_PCM);
                PutU16(b, wfx::nChannels, channels);
                PutU32(b, wfx::nSamplesPerSec, static_cast<std::uint32_t>(rate));
                PutU32(b, wfx::nAvgBytesPerSec, static_cast<std::uint32_t>(rate) * channels * 2);
                PutU16(b, wfx::nBlockAlign, static_cast<std::uint16_t>(channels * 2));
                PutU16(b, wfx::wBitsPerSample, 16);
                char text[64];
                std::snprintf(text, sizeof text, "%ld Hz, 16 Bit, %s", rate,
                              channels == 2 ? "Stereo" : "Mono");
                if (!each(b.data(), 18, text)) return MMSYSERR_NOERROR;
            }
        }
        for (long rate : rates) {
            const auto r = static_cast<std::uint32_t>(rate);
            for (std::uint16_t channels = 1; channels <= 2; ++channels) {
                for (std::uint32_t kbps : Layer3BitRatesForRate(r)) {
                    FormatBlock b{};
                    PutU16(b, wfx::wFormatTag, WAVE_FORMAT_MPEGLAYER3);
                    PutU16(b, wfx::nChannels, channels);
                    PutU32(b, wfx::nSamplesPerSec, r);
                    PutU32(b, wfx::nAvgBytesPerSec, kbps * 1000 / 8);
                    PutU16(b, wfx::nBlockAlign, 1);
                    PutU16(b, wfx::wBitsPerSample, 0);
                    PutU16(b, wfx::cbSize, MPEGLAYER3_WFX_EXTRA_BYTES);
                    PutU16(b, wfx::wID, MPEGLAYER3_ID_MPEG);
                    PutU32(b, wfx::fdwFlags, MPEGLAYER3_FLAG_PADDING_ISO);
                    PutU16(b, wfx::nBlockSize, Layer3BlockSize(kbps, r));
                    PutU16(b, wfx::nFramesPerBlock, 1);
                    PutU16(b, wfx::nCodecDelay, 0);
                    char text[64];
                    std::snprintf(text, sizeof text, "%u kBit/s, %u Hz, %s", kbps, r,
                                  channels == 2 ? "Stereo" : "Mono");
                    if (!each(b.data(), 30, text)) return MMSYSERR_NOERROR;
                }
            }
        }
        return MMSYSERR_NOERROR;
    }

    MMRESULT openStream(const FormatBlock& src, const FormatBlock& dst, std::uint32_t,
                        bool queryOnly, std::unique_ptr<AcmCodecStream>& out) override {
        const std::uint16_t channels = GetU16(src, wfx::nChannels);
        const std::uint32_t rate = GetU32(src, wfx::nSamplesPerSec);
        const bool possible = GetU16(src, wfx::wFormatTag) == WAVE_FORMAT_MPEGLAYER3 &&
                              GetU16(dst, wfx::wFormatTag) == WAVE_FORMAT_PCM &&
                              (channels == 1 || channels == 2) &&
                              GetU16(dst, wfx::nChannels) == channels &&
                              GetU32(dst, wfx::nSamplesPerSec) == rate &&
                              GetU16(dst, wfx::wBitsPerSample) == 16 &&
                              GetU16(dst, wfx::nBlockAlign) == channels * 2 && RateSupported(rate);
        if (!possible) return ACMERR_NOTPOSSIBLE;
        if (queryOnly) return MMSYSERR_NOERROR;

        bool noMemory = false;
        mpg123_handle* handle = OpenFeedDecoder(rate, channels, noMemory);
        if (handle == nullptr) return noMemory ? MMSYSERR_NOMEM : MMSYSERR_ERROR;
        out = std::make_unique<Mpg123Stream>(handle, rate, channels);
        return MMSYSERR_NOERROR;
    }
};

}  // namespace

std::shared_ptr<AcmDriver> CreateMpg123Driver() { return std::make_shared<Mpg123Driver>(); }

Mp3FrameDecoderFactory Mpg123FrameDecoders(std::uint32_t rate, std::uint16_t channels) {
    return [rate, channels]() -> std::unique_ptr<Mp3FrameDecoder> {
        bool noMemory = false;
        mpg123_handle* handle = OpenFeedDecoder(rate, channels, noMemory);
        if (handle == nullptr) return nullptr;
        return std::make_unique<Mpg123FrameDecoder>(handle);
    };
}

AcmRegistry& DefaultAcmRegistry() {
    static AcmRegistry registry;
    static std::once_flag once;
    std::call_once(once, [] { registry.add(CreateMpg123Driver()); });
    return registry;
}

}  // namespace zirpel::acm
