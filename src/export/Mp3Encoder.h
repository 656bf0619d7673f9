// The MP3 encoder behind four stream operations. The save command talks only
// to this interface; the program uses LameEncoder, tests a recording fake.
#pragma once

#include <cstdint>

#include "export/BeConfig.h"

namespace zirpel {

class Mp3Encoder {
public:
    virtual ~Mp3Encoder() = default;

    // Opens a stream for the settings in *config. On BE_ERR_SUCCESSFUL sets
    // the number of 16-bit values the encoder prefers per chunk, the size in
    // bytes of the output buffer the caller must provide to the two calls
    // below, and the stream handle.
    virtual BE_ERR beInitStream(const BE_CONFIG* config, std::uint32_t* samplesPerChunk,
                                std::uint32_t* outputBufferSize, HBE_STREAM* stream) = 0;

    // Encodes `sampleCount` 16-bit values (both channels counted, interleaved
    // left/right for stereo) into `output`, setting *written to the number of
    // MP3 bytes placed there.
    virtual BE_ERR beEncodeChunk(HBE_STREAM stream, std::uint32_t sampleCount,
                                 const std::int16_t* samples, std::uint8_t* output,
                                 std::uint32_t* written) = 0;

    // Flushes the stream: the last MP3 bytes (possibly none) go into `output`.
    virtual BE_ERR beDeinitStream(HBE_STREAM stream, std::uint8_t* output,
                                  std::uint32_t* written) = 0;

    // Releases the stream.
    virtual BE_ERR beCloseStream(HBE_STREAM stream) = 0;
};

}  // namespace zirpel
