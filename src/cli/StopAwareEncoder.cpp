#include "cli/StopAwareEncoder.h"

namespace zirpel::cli {

BE_ERR StopAwareEncoder::beEncodeChunk(HBE_STREAM stream, std::uint32_t sampleCount,
                                       const std::int16_t* samples, std::uint8_t* output,
                                       std::uint32_t* written) {
    if (stopRequested_ && stopRequested_()) {
        stopped_ = true;
        *written = 0;
        return BE_ERR_INVALID_HANDLE;
    }
    return inner_.beEncodeChunk(stream, sampleCount, samples, output, written);
}

}  // namespace zirpel::cli
