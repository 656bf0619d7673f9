// Mp3Encoder over libmp3lame's native interface.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "export/Mp3Encoder.h"

struct lame_global_struct;

namespace zirpel {

class LameEncoder final : public Mp3Encoder {
public:
    LameEncoder();
    ~LameEncoder() override;
    LameEncoder(const LameEncoder&) = delete;
    LameEncoder& operator=(const LameEncoder&) = delete;

    // Maps the record onto libmp3lame: input rate, output rate (libmp3lame
    // resamples), mono or plain left/right stereo, constant bit rate
    // dwBitrate, quality 2 for the high-quality preset, copyright and
    // original bits from the record, no CRC unless asked, no VBR and never a
    // VBR (Xing/Info) header or an ID3 tag. Fails where libmp3lame refuses
    // the settings.
    BE_ERR beInitStream(const BE_CONFIG* config, std::uint32_t* samplesPerChunk,
                        std::uint32_t* outputBufferSize, HBE_STREAM* stream) override;
    BE_ERR beEncodeChunk(HBE_STREAM stream, std::uint32_t sampleCount, const std::int16_t* samples,
                         std::uint8_t* output, std::uint32_t* written) override;
    BE_ERR beDeinitStream(HBE_STREAM stream, std::uint8_t* output,
                          std::uint32_t* written) override;
    BE_ERR beCloseStream(HBE_STREAM stream) override;

    // What libmp3lame made of an open stream's settings. The output rate
    // and bit rate may differ from the record's where libmp3lame replaces
    // them (8 kbit/s at 44100 Hz becomes 32); `resamples` tells whether it
    // converts the input rate (it leaves rates within about 0.05 % alone).
    struct StreamFacts {
        int outRate = 0;
        int kbps = 0;
        int frameSamples = 0;  // samples per MP3 frame at the output rate
        int version = 0;       // lame_get_version: 1 MPEG-1, 0 MPEG-2 or 2.5
        bool resamples = false;
    };
    // Finds them by feeding the stream a little silence, so the stream can
    // only be closed afterwards. nullopt for an unknown handle.
    std::optional<StreamFacts> ProbeStream(HBE_STREAM stream);

    // The largest chunk, in frames, that the reported output buffer size is
    // guaranteed to hold the output of.
    static constexpr std::uint32_t kMaxChunkFrames = 4608;

private:
    struct LameCloser {
        void operator()(lame_global_struct* gf) const;
    };
    struct Stream {
        std::unique_ptr<lame_global_struct, LameCloser> lame;
        std::uint32_t channels = 0;
        std::uint32_t bufferSize = 0;
    };

    Stream* Find(HBE_STREAM handle);

    // Several threads may each run a stream of their own (the command
    // line's parallel jobs): the table and the set-up of a stream are
    // guarded, a stream is only ever used by the thread that opened it.
    std::mutex lock_;

    std::map<HBE_STREAM, Stream> streams_;
    HBE_STREAM nextHandle_ = 1;
};

}  // namespace zirpel
