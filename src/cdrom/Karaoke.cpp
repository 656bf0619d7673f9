#include "cdrom/Karaoke.h"

#include "clip/LittleEndian.h"
#include "clip/Samples.h"

namespace zirpel {

void ApplyKaraoke(std::uint8_t* data, std::size_t bytes) {
    for (std::size_t i = 0; i + 4 <= bytes; i += 4) {
        const std::int32_t d = std::int32_t{GetSample16(data + i)} - GetSample16(data + i + 2);
        const std::int16_t v = Clamp16(2 * d / 3);
        PutSample16(data + i, v);
        PutSample16(data + i + 2, v);
    }
}

}  // namespace zirpel
