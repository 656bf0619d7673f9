// Real libmp3lame through the encoder layer and the save loop: the files are
// decoded again with libmpg123 and their frame headers read bit by bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "export/LameEncoder.h"
#include "export/Mp3Check.h"
#include "export/SaveClip.h"

namespace zirpel {
namespace {

using namespace zirpel::test;

LongTask quiet;  // no progress wanted

class MemorySink : public ByteSink {
public:
    std::vector<std::uint8_t> bytes;
    bool write(const void* data, std::size_t size) override {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
        return true;
    }
};

struct Case {
    std::int32_t inRate;
    bool stereo;
    bool is16Bit;
    std::int32_t outRate;
    std::int32_t kbps;
    int expectVersion;
};

// A tone of `hz` on the left (or only) channel, silence on the right.
std::vector<std::uint8_t> ToneClip(const Case& c, double seconds, double hz) {
    const auto frames = static_cast<std::size_t>(seconds * c.inRate);
    const std::size_t channels = c.stereo ? 2 : 1;
    std::vector<std::uint8_t> d(frames * channels * (c.is16Bit ? 2 : 1));
    for (std::size_t f = 0; f < frames; ++f) {
        const double v = 0.5 * std::sin(2 * M_PI * hz * static_cast<double>(f) / c.inRate);
        for (std::size_t ch = 0; ch < channels; ++ch) {
            const double x = ch == 0 ? v : 0.0;
            const std::size_t i = f * channels + ch;
            if (c.is16Bit) {
                const auto s = static_cast<std::int16_t>(x * 32767);
                std::memcpy(&d[i * 2], &s, 2);
            } else {
                d[i] = static_cast<std::uint8_t>(128 + static_cast<int>(x * 127));
            }
        }
    }
    return d;
}

double Rms(const std::vector<std::int16_t>& pcm, int channels, int ch, std::size_t from,
           std::size_t to) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t f = from; f < to && f * channels + ch < pcm.size(); ++f, ++n)
        sum += double(pcm[f * channels + ch]) * pcm[f * channels + ch];
    return n ? std::sqrt(sum / n) / 32768.0 : 0;
}

TEST(LameEncoder, SavedClipsDecodeWithTheRequestedFormat) {
    const Case cases[] = {
        {44100, true, true, 44100, 128, 10},  {44100, false, true, 44100, 128, 10},
        {8000, true, false, 48000, 160, 10},  {22050, false, false, 11025, 8, 25},
        {48000, true, true, 11025, 8, 25},    {11025, false, true, 22050, 64, 20},
        {32000, false, false, 32000, 96, 10}, {44100, true, true, 24000, 144, 20},
        {16000, true, false, 16000, 32, 20},  {11025, true, true, 11025, 8, 25},
        {48000, true, true, 8000, 16, 25},
    };
    LameEncoder encoder;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.inRate << " Hz " << (c.stereo ? "stereo " : "mono ")
                                        << (c.is16Bit ? 16 : 8) << " bit -> " << c.outRate
                                        << " Hz " << c.kbps << " kbit/s");
        const double seconds = 1.3;
        const auto clipBytes = ToneClip(c, seconds, 440);
        const ClipSpan clip{clipBytes.data(), static_cast<std::int32_t>(clipBytes.size()),
                            {c.inRate, c.stereo, c.is16Bit}};
        MemorySink sink;
        ASSERT_EQ(EncodeClipToMP3(encoder, clip, c.outRate, c.kbps, sink, quiet), SaveStatus::Saved);

        std::vector<FrameHeader> frames;
        ASSERT_TRUE(WalkFrames(sink.bytes, frames)) << "not a plain chain of MP3 frames";
        ASSERT_FALSE(frames.empty());
        for (const FrameHeader& h : frames) {
            ASSERT_EQ(h.version, c.expectVersion);
            ASSERT_EQ(h.layer, 3);
            ASSERT_EQ(h.kbps, c.kbps);
            ASSERT_EQ(h.rate, c.outRate);
            ASSERT_EQ(h.mode, c.stereo ? 0 : 3);
            ASSERT_TRUE(h.copyright);
            ASSERT_TRUE(h.original);
            ASSERT_FALSE(h.crc);
        }
        // No Xing/Info frame: the first frame is audio like the rest.
        const std::string first(sink.bytes.begin(), sink.bytes.begin() + frames[0].length);
        EXPECT_EQ(first.find("Xing"), std::string::npos);
        EXPECT_EQ(first.find("Info"), std::string::npos);

        const Decoded d = DecodeMp3(sink.bytes);
        ASSERT_EQ(d.rate, c.outRate);
        ASSERT_EQ(d.channels, c.stereo ? 2 : 1);
        const std::size_t decodedFrames = d.pcm.size() / static_cast<std::size_t>(d.channels);
        const auto expected = static_cast<std::size_t>(seconds * c.outRate);
        const std::size_t frameSamples = c.outRate >= 32000 ? 1152 : 576;
        const std::size_t encoderDelay = 576;
        // All input comes out behind the encoder's delay; the end is padded to
        // whole frames plus at most one frame of the encoder's flush margin.
        EXPECT_GE(decodedFrames, expected + encoderDelay);
        EXPECT_LE(decodedFrames, expected + encoderDelay + 2 * frameSamples);
        EXPECT_EQ(decodedFrames % frameSamples, 0u);

        // The tone comes back on the left channel only.
        const std::size_t from = expected / 4, to = expected * 3 / 4;
        EXPECT_GT(Rms(d.pcm, d.channels, 0, from, to), 0.2);
        if (c.stereo) {
            EXPECT_LT(Rms(d.pcm, d.channels, 1, from, to), 0.02);
        }
    }
}

TEST(LameEncoder, RefusesWhatItCannotEncode) {
    LameEncoder encoder;
    std::uint32_t chunk = 0, size = 0;
    HBE_STREAM h = 0;
    BE_CONFIG c = MakeMp3Config({44100, true, true}, 44100, 128);
    ASSERT_EQ(encoder.beInitStream(&c, &chunk, &size, &h), BE_ERR_SUCCESSFUL);
    EXPECT_GE(size, 7200u);
    EXPECT_EQ(encoder.beCloseStream(h), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(encoder.beCloseStream(h), BE_ERR_INVALID_HANDLE);
    std::uint8_t out[16];
    std::uint32_t written = 0;
    EXPECT_EQ(encoder.beDeinitStream(h, out, &written), BE_ERR_INVALID_HANDLE);

    BE_CONFIG bad = c;
    bad.dwConfig = 0;
    EXPECT_NE(encoder.beInitStream(&bad, &chunk, &size, &h), BE_ERR_SUCCESSFUL);
    bad = c;
    bad.dwSampleRate = 0;
    EXPECT_NE(encoder.beInitStream(&bad, &chunk, &size, &h), BE_ERR_SUCCESSFUL);
    bad = c;
    bad.bEnableVBR = BE_TRUE;
    EXPECT_NE(encoder.beInitStream(&bad, &chunk, &size, &h), BE_ERR_SUCCESSFUL);
    bad = c;
    bad.nMode = 7;
    EXPECT_NE(encoder.beInitStream(&bad, &chunk, &size, &h), BE_ERR_SUCCESSFUL);
    // A clip slowed down to a few hertz cannot be resampled to 48000 Hz
    // within one output buffer: refused at the start, not mid-way.
    bad = c;
    bad.dwSampleRate = 7;
    bad.dwReSampleRate = 48000;
    EXPECT_NE(encoder.beInitStream(&bad, &chunk, &size, &h), BE_ERR_SUCCESSFUL);

    // The save loop reports the refusal as such.
    const std::vector<std::uint8_t> data(100, 128);
    MemorySink sink;
    EXPECT_EQ(EncodeClipToMP3(encoder, ClipSpan{data.data(), 100, {0, false, false}}, 44100, 128, sink, quiet),
              SaveStatus::EncoderInitFailed);
    EXPECT_TRUE(sink.bytes.empty());
}

TEST(LameEncoder, LowClipRateUpsampledFitsTheReportedBuffer) {
    // 2500 mono frames at 1000 Hz become 2.5 s at 48000 Hz and 160 kbit/s.
    LameEncoder encoder;
    const std::vector<std::uint8_t> data(10000, 200);
    MemorySink sink;
    ASSERT_EQ(EncodeClipToMP3(encoder, ClipSpan{data.data(), 10000, {1000, false, false}}, 48000, 160,
                              sink, quiet),
              SaveStatus::Saved);
    std::vector<FrameHeader> frames;
    ASSERT_TRUE(WalkFrames(sink.bytes, frames));
    EXPECT_GE(frames.size(), 10u * 48000 / 1152);
}

}  // namespace
}  // namespace zirpel
