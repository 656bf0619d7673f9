// Test helpers for MP3 output: frame headers read bit by bit, and decoding
// with libmpg123.
#pragma once

#include <mpg123.h>

#include <cstdint>
#include <vector>

namespace zirpel::test {

// One MPEG audio frame header, decoded.
struct FrameHeader {
    int version = 0;  // 10 = MPEG-1, 20 = MPEG-2, 25 = MPEG-2.5
    int layer = 0;
    bool crc = false;
    int kbps = 0;
    int rate = 0;
    int mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool copyright = false;
    bool original = false;
    int length = 0;  // bytes, header included
};

inline bool ParseHeader(const std::uint8_t* p, FrameHeader& h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    static const int kVersions[4] = {25, 0, 20, 10};
    h.version = kVersions[(p[1] >> 3) & 3];
    h.layer = 4 - ((p[1] >> 1) & 3);
    h.crc = (p[1] & 1) == 0;
    static const int kRatesV1[14] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int kRatesV2[14] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    const int bi = p[2] >> 4;
    if (h.version == 0 || h.layer != 3 || bi == 0 || bi == 15) return false;
    h.kbps = (h.version == 10 ? kRatesV1 : kRatesV2)[bi - 1];
    const int si = (p[2] >> 2) & 3;
    if (si == 3) return false;
    static const int kBase[3] = {44100, 48000, 32000};
    h.rate = kBase[si] / (h.version == 10 ? 1 : h.version == 20 ? 2 : 4);
    const int padding = (p[2] >> 1) & 1;
    h.mode = p[3] >> 6;
    h.copyright = (p[3] >> 3) & 1;
    h.original = (p[3] >> 2) & 1;
    h.length = (h.version == 10 ? 144000 : 72000) * h.kbps / h.rate + padding;
    return true;
}

// Walks the file frame by frame from its first byte; fails on anything that
// is not a chain of layer-3 frames (tags, junk, a truncated frame).
inline bool WalkFrames(const std::vector<std::uint8_t>& mp3, std::vector<FrameHeader>& frames) {
    std::size_t pos = 0;
    while (pos < mp3.size()) {
        FrameHeader h;
        if (mp3.size() - pos < 4 || !ParseHeader(&mp3[pos], h)) return false;
        if (mp3.size() - pos < static_cast<std::size_t>(h.length)) return false;
        frames.push_back(h);
        pos += static_cast<std::size_t>(h.length);
    }
    return true;
}

struct Decoded {
    long rate = 0;
    int channels = 0;
    std::vector<std::int16_t> pcm;  // interleaved
};

inline Decoded DecodeMp3(const std::vector<std::uint8_t>& mp3) {
    Decoded d;
    mpg123_init();
    int err = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    if (mh == nullptr) return d;
    mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(mh);
    for (long r : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(mh, r, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(mh);
    std::vector<unsigned char> out(1 << 16);
    std::size_t done = 0;
    int ret = mpg123_decode(mh, mp3.data(), mp3.size(), out.data(), out.size(), &done);
    for (;;) {
        if (ret == MPG123_NEW_FORMAT) {
            int enc = 0;
            mpg123_getformat(mh, &d.rate, &d.channels, &enc);
        }
        const auto* s = reinterpret_cast<const std::int16_t*>(out.data());
        d.pcm.insert(d.pcm.end(), s, s + done / 2);
        if (ret != MPG123_OK && ret != MPG123_NEW_FORMAT) break;
        ret = mpg123_decode(mh, nullptr, 0, out.data(), out.size(), &done);
    }
    mpg123_delete(mh);
    return d;
}

}  // namespace zirpel::test
