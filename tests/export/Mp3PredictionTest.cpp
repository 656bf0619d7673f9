// The prediction of what an MP3 save writes, against real saves: for every
// pair of the two lists and several clip formats and lengths, the rate, bit
// rate, MPEG version, frame count and size read from the file's frame
// headers equal the prediction.
#include <gtest/gtest.h>

#include <cmath>

#include "export/LameEncoder.h"
#include "export/Mp3Check.h"
#include "export/Mp3Lists.h"
#include "export/Mp3Prediction.h"
#include "export/SaveClip.h"

namespace zirpel {
namespace {

struct Sink : ByteSink {
    std::vector<std::uint8_t> bytes;
    bool write(const void* d, std::size_t n) override {
        bytes.insert(bytes.end(), static_cast<const std::uint8_t*>(d), static_cast<const std::uint8_t*>(d) + n);
        return true;
    }
};

Clip Tone(const ClipFormat& f, std::int32_t frames) {
    const std::int32_t values = frames * (f.stereo ? 2 : 1);
    Clip c(std::vector<std::uint8_t>(static_cast<std::size_t>(values * (f.is16Bit ? 2 : 1))), f);
    for (std::int32_t i = 0; i < values; ++i) {
        const auto s = static_cast<std::int16_t>(9000 * std::sin(i * 0.031));
        if (f.is16Bit) {
            c.bytes[2 * i] = static_cast<std::uint8_t>(s);
            c.bytes[2 * i + 1] = static_cast<std::uint8_t>(s >> 8);
        } else {
            c.bytes[i] = static_cast<std::uint8_t>((s >> 8) + 128);
        }
    }
    return c;
}

void ExpectPredicted(const Clip& clip, std::int32_t rate, std::int32_t kbps) {
    SCOPED_TRACE(testing::Message() << clip.format.sampleRate << " Hz, " << clip.span().frames() << " frames -> "
                                    << rate << " Hz " << kbps << " kbit/s");
    const Mp3Prediction p = PredictMp3(clip.format, clip.span().frames(), rate, kbps);
    ASSERT_TRUE(p.accepted);
    LameEncoder encoder;
    Sink sink;
    LongTask task;
    ASSERT_EQ(EncodeClipToMP3(encoder, clip.span(), rate, kbps, sink, task), SaveStatus::Saved);
    std::vector<test::FrameHeader> frames;
    ASSERT_TRUE(test::WalkFrames(sink.bytes, frames));
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].rate, p.outRate);
    EXPECT_EQ(frames[0].kbps, p.kbps);
    EXPECT_EQ(frames[0].version, p.mpegVersion);
    EXPECT_EQ(p.bitRateReplaced(), p.kbps != kbps);
    if (p.exact) {
        EXPECT_EQ(static_cast<std::int64_t>(frames.size()), p.frames);
        EXPECT_EQ(static_cast<std::int64_t>(sink.bytes.size()), p.bytes);
    } else {
        EXPECT_LE(std::abs(static_cast<std::int64_t>(frames.size()) - p.frames), 1);
    }
}

TEST(Mp3Prediction, EveryPairOfTheListsAsSaved) {
    const Clip clips[] = {Tone({44100, true, true}, 23456), Tone({22050, false, false}, 7777),
                          Tone({8000, false, true}, 12000), Tone({48000, true, false}, 3000),
                          Tone({44110, false, true}, 9000)};  // close enough that no resampling happens
    for (const Clip& clip : clips)
        for (const std::int32_t rate : kMp3OutputRates)
            for (const std::int32_t kbps : kMp3BitRates) ExpectPredicted(clip, rate, kbps);
}

TEST(Mp3Prediction, EdgesAndTheKnownReplacement) {
    // An empty clip, fewer frames than the resampler holds back, and a
    // length whose resampled count sits exactly on a sample boundary.
    ExpectPredicted(Tone({44100, true, true}, 0), 11025, 8);
    ExpectPredicted(Tone({44100, false, true}, 10), 22050, 32);
    ExpectPredicted(Tone({44100, false, true}, 16 + 147 * 37 * 40), 48000, 128);
    const Mp3Prediction p = PredictMp3({44100, true, true}, 44100, 44100, 8);
    EXPECT_EQ(p.kbps, 32);
    EXPECT_EQ(DescribeReplacement(p), "8 kbit/s gibt es bei 44100 Hz nicht: es werden 32 kbit/s geschrieben");
    EXPECT_EQ(DescribeReplacement(PredictMp3({44100, true, true}, 44100, 44100, 128)), "");
    EXPECT_FALSE(PredictMp3({1, false, true}, 10, 48000, 128).accepted);  // refused, as the save is
}

}  // namespace
}  // namespace zirpel
