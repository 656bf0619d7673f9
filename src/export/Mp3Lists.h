// The values the editor's two MP3 lists ("Samplefrequenz:" and "Bitrate:")
// offer, in their order, their initial selections, and the small ringtone's
// forced values. The window fills its lists from these; the command line
// accepts exactly these and nothing else.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace zirpel {

inline constexpr std::array<std::int32_t, 7> kMp3OutputRates{48000, 44100, 32000, 24000,
                                                             22050, 16000, 11025};
inline constexpr std::array<std::int32_t, 14> kMp3BitRates{8,  16, 24, 32,  40,  48,  56,
                                                           64, 80, 96, 112, 128, 144, 160};

inline constexpr std::int32_t kDefaultMp3Rate = 44100;  // the rate list's initial entry
inline constexpr std::int32_t kDefaultBitRate = 128;    // the bit-rate list's initial entry
inline constexpr std::int32_t kRingtoneRate = 11025;    // "Als kleiner Zirpel Speichern..."
inline constexpr std::int32_t kRingtoneBitRate = 8;

constexpr bool IsOfferedMp3Rate(std::int32_t hz) {
    return std::find(kMp3OutputRates.begin(), kMp3OutputRates.end(), hz) != kMp3OutputRates.end();
}

constexpr bool IsOfferedBitRate(std::int32_t kbps) {
    return std::find(kMp3BitRates.begin(), kMp3BitRates.end(), kbps) != kMp3BitRates.end();
}

}  // namespace zirpel
