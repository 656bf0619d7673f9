// What an MP3 save will write, known before saving: the output rate and bit
// rate libmp3lame really uses for the chosen pair (it replaces bit rates its
// MPEG version does not have), the number of frames and the exact size of
// the constant-bit-rate file. The encoder is asked through the same set-up
// the save uses; only the frame arithmetic is done here.
#pragma once

#include <cstdint>
#include <string>

#include "clip/ClipFormat.h"
#include "export/LameEncoder.h"

namespace zirpel {

struct Mp3Prediction {
    bool accepted = false;  // false: the encoder refuses ("Konnte LAME Encoder nicht initialisieren...")
    std::int32_t requestedRate = 0;
    std::int32_t requestedKbps = 0;
    std::int32_t outRate = 0;
    std::int32_t kbps = 0;
    int mpegVersion = 0;     // 10 = MPEG-1, 20 = MPEG-2, 25 = MPEG-2.5
    std::int64_t frames = 0; // MP3 frames in the file
    std::int64_t bytes = 0;  // the file's size
    bool exact = true;       // false: one frame more or less is possible

    bool rateReplaced() const { return accepted && outRate != requestedRate; }
    bool bitRateReplaced() const { return accepted && kbps != requestedKbps; }
};

struct Mp3FrameCount {
    std::int64_t frames = 0;
    std::int64_t bytes = 0;
    bool exact = true;
};

// The frames and bytes of `inFrames` input frames at `inRate` for a stream
// with these facts. libmp3lame starts with 576 samples of delay, resamples
// (when it does) all but the last 16 input frames, adds 16 x out/in samples
// before its flush and pads the end to a whole frame with at least 576
// samples to spare. A frame holds (version + 1) x 72000 x kbps / rate bytes,
// plus one padding byte where the fractional part has built up to one (the
// first frame never has it). Where the resampler's count sits exactly on a
// sample boundary, rounding inside libmp3lame may give one sample more; if
// that changes the frame count, `exact` is false and the larger count is
// given.
Mp3FrameCount CountMp3Frames(std::int64_t inFrames, std::int32_t inRate,
                             const LameEncoder::StreamFacts& facts);

// The prediction for saving `frames` frames of a clip in `format` with the
// MP3 box's `outRate` and `kbps`, exactly as the save sets up the encoder.
Mp3Prediction PredictMp3(const ClipFormat& format, std::int64_t frames, std::int32_t outRate,
                         std::int32_t kbps);

// "1.234.567 Bytes", "ca. 30.096 Bytes".
std::string DescribeMp3Bytes(const Mp3Prediction& p);
// The same with the size in KB or MB after it: "1.234.567 Bytes (1,2 MB)".
std::string DescribeMp3Size(const Mp3Prediction& p);

// In plain German, what the encoder makes of a pair it does not have, or
// "" when it keeps it: "8 kbit/s gibt es bei 44100 Hz nicht: es werden
// 32 kbit/s geschrieben".
std::string DescribeReplacement(const Mp3Prediction& p);

}  // namespace zirpel
