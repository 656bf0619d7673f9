// An Mp3Encoder that passes everything to another one, but refuses the next
// chunk once a stop was requested. The save then ends as after an encoder
// failure: the stream is closed and the half-written temporary file dropped,
// so the target stays as it was. The bytes of a save that is not stopped
// are exactly those of the encoder behind it.
#pragma once

#include <functional>

#include "export/Mp3Encoder.h"

namespace zirpel::cli {

class StopAwareEncoder final : public Mp3Encoder {
public:
    StopAwareEncoder(Mp3Encoder& inner, std::function<bool()> stopRequested)
        : inner_(inner), stopRequested_(std::move(stopRequested)) {}

    BE_ERR beInitStream(const BE_CONFIG* config, std::uint32_t* samplesPerChunk,
                        std::uint32_t* outputBufferSize, HBE_STREAM* stream) override {
        return inner_.beInitStream(config, samplesPerChunk, outputBufferSize, stream);
    }
    BE_ERR beEncodeChunk(HBE_STREAM stream, std::uint32_t sampleCount, const std::int16_t* samples,
                         std::uint8_t* output, std::uint32_t* written) override;
    BE_ERR beDeinitStream(HBE_STREAM stream, std::uint8_t* output, std::uint32_t* written) override {
        return inner_.beDeinitStream(stream, output, written);
    }
    BE_ERR beCloseStream(HBE_STREAM stream) override { return inner_.beCloseStream(stream); }

    // Whether a chunk was refused because of a stop request.
    bool stopped() const { return stopped_; }

private:
    Mp3Encoder& inner_;
    std::function<bool()> stopRequested_;
    bool stopped_ = false;
};

}  // namespace zirpel::cli
