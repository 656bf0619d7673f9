// Opening what the WAV reader refuses: each flavour opens with the right
// rate, channel count and length, and its samples match what the rounding
// and the down-mix promise (own arithmetic for the lossless flavours, the
// format's own decoder for the lossy ones).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "codec/Mp3Fixtures.h"
#include "codec/OpenAudioFile.h"
#include "codec/PcmConversion.h"
#include "codec/ToolCorpus.h"
#include "wave/WavBuilder.h"

namespace zirpel::test {
namespace {

constexpr int kRate = 32000;
constexpr int kFrames = 4000;

// 24-bit samples of a tone per channel; channel c has amplitude (c + 1) / 8.
std::int32_t Sample24(int frame, int channel) {
    return static_cast<std::int32_t>(std::lround(std::sin(frame * 0.05 * (channel + 1)) * 8388607.0 *
                                                 (channel + 1) / 8.0));
}

std::vector<std::uint8_t> Pcm24(int channels) {
    std::vector<std::uint8_t> d;
    for (int f = 0; f < kFrames; ++f)
        for (int c = 0; c < channels; ++c)
            for (int b = 0; b < 3; ++b) d.push_back(static_cast<std::uint8_t>(Sample24(f, c) >> (8 * b)));
    return d;
}

std::vector<std::int16_t> Samples(const Clip& clip) {
    std::vector<std::int16_t> s(clip.bytes.size() / 2);
    std::memcpy(s.data(), clip.bytes.data(), s.size() * 2);
    return s;
}

class SoundFileTest : public TempDirTest {
protected:
    OpenResult Open(const std::string& path, bool dither = false) {
        TACMConvertor mp3wav;
        std::vector<FormatBlock> formats;
        std::int32_t count = 0;
        Mp3Codec codec{mp3wav, formats, count};
        LongTask task;
        OpenOptions options;
        options.dither = dither;
        return OpenAudioFile(path, codec, dir_.string(), task, options);
    }
    std::string Wav24(const std::string& name, int channels) {
        const auto bits = static_cast<std::uint16_t>(24);
        return WriteBytes(name, WavBuilder().RiffWave().Fmt(1, static_cast<std::uint16_t>(channels), kRate, bits)
                                    .Chunk("data", Pcm24(channels)).Finish());
    }
    static void ExpectTone24(const OpenResult& r, int channels) {
        ASSERT_TRUE(r.ok());
        ASSERT_EQ(r.clip.format, (ClipFormat{kRate, channels == 2, true}));
        const auto s = Samples(r.clip);
        ASSERT_EQ(s.size(), static_cast<std::size_t>(kFrames * channels));
        for (int f = 0; f < kFrames; ++f)
            for (int c = 0; c < channels; ++c)  // nearest, ties to even, of s / 256
                ASSERT_EQ(s[f * channels + c], std::nearbyint(Sample24(f, c) / 256.0)) << f;
    }
};

TEST_F(SoundFileTest, WiderAndExtensibleWavFlavoursOpenAsSixteenBit) {
    ExpectTone24(Open(Wav24("a.wav", 2)), 2);
    EXPECT_EQ(ConversionNote(Open(Path("a.wav"))), "24 Bit → 16 Bit");

    // 32-bit float, with values beyond full scale: clipped, not wrapped.
    std::vector<std::uint8_t> floats;
    for (const float v : {0.5f, -0.25f, 1.5f, -3.0f, 0.999f}) {
        std::uint8_t b[4];
        std::memcpy(b, &v, 4);
        floats.insert(floats.end(), b, b + 4);
    }
    const OpenResult f = Open(WriteBytes("f.wav", WavBuilder().RiffWave().Fmt(3, 1, 8000, 32)
                                                      .Chunk("fact", {1, 0, 0, 0}).Chunk("data", floats).Finish()));
    ASSERT_TRUE(f.ok());
    EXPECT_EQ(Samples(f.clip), (std::vector<std::int16_t>{16384, -8192, 32767, -32768, 32735}));
    EXPECT_EQ(ConversionNote(f), "32 Bit Gleitkomma → 16 Bit");

    // WAVE_FORMAT_EXTENSIBLE around plain 16-bit stereo PCM: the same bytes, nothing converted.
    const std::vector<std::uint8_t> pcm{1, 0, 2, 0, 0xFF, 0x7F, 0x00, 0x80};
    WavBuilder ext;
    ext.RiffWave().Id("fmt ").U32(40).U16(0xFFFE).U16(2).U32(22050).U32(88200).U16(4).U16(16)
        .U16(22).U16(16).U32(3).U32(1).U16(0).U16(0x10).Bytes({0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71})
        .Chunk("data", pcm);
    const OpenResult e = Open(WriteBytes("ext.wav", ext.Finish()));
    ASSERT_TRUE(e.ok());
    EXPECT_EQ(e.clip.bytes, pcm);
    EXPECT_EQ(e.clip.format, (ClipFormat{22050, true, true}));
    EXPECT_TRUE(e.conversions.empty());
}

TEST_F(SoundFileTest, SixChannelsMixToStereoWithTheDownmixCoefficients) {
    // 5.1 in the WAV order: a full-scale 1000 in L, 2000 in C, 4000 in LFE, 8000 in Rs.
    const std::int16_t frame[6] = {1000, 0, 2000, 4000, 0, 8000};
    std::vector<std::uint8_t> data;
    for (int i = 0; i < 10; ++i)
        for (const std::int16_t s : frame) data.push_back(std::uint8_t(s & 0xFF)), data.push_back(std::uint8_t(s >> 8));
    const OpenResult r = Open(WriteBytes("six.wav", WavBuilder().RiffWave().Fmt(1, 6, 48000, 16).Chunk("data", data).Finish()));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.clip.format, (ClipFormat{48000, true, true}));
    EXPECT_EQ(ConversionNote(r), "6 Kanäle → Stereo");
    const double norm = 1 + 2 * std::sqrt(0.5);  // the row sum of L (and of R)
    const auto s = Samples(r.clip);
    ASSERT_EQ(s.size(), 20u);
    EXPECT_EQ(s[0], std::lround((1000 + 2000 * std::sqrt(0.5)) / norm));            // LFE left out
    EXPECT_EQ(s[1], std::lround((2000 * std::sqrt(0.5) + 8000 * std::sqrt(0.5)) / norm));
}

TEST_F(SoundFileTest, DitherIsOnlyAddedWhenAskedAndStaysWithinOneStep) {
    Wav24("d.wav", 1);
    const OpenResult plain = Open(Path("d.wav"));
    const OpenResult dithered = Open(Path("d.wav"), true);
    ASSERT_TRUE(dithered.ok());
    const auto a = Samples(plain.clip), b = Samples(dithered.clip);
    ASSERT_EQ(a.size(), b.size());
    int changed = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_LE(std::abs(a[i] - b[i]), 1) << i;
        changed += a[i] != b[i];
    }
    EXPECT_GT(changed, kFrames / 10);
    EXPECT_EQ(Samples(Open(Path("d.wav"), true).clip), b) << "the same file gives the same clip";
}

TEST_F(SoundFileTest, LosslessFilesOfTheToolsMatchTheirSource) {
    ZIRPEL_REQUIRE_TOOL("flac");
    ZIRPEL_REQUIRE_TOOL("sox");
    Wav24("src.wav", 2);
    ASSERT_TRUE(RunTool("flac -s -f -o " + Quote(Path("album.flac")) + " " + Quote(Path("src.wav"))));
    ExpectTone24(Open(Path("album.flac")), 2);
    ASSERT_TRUE(RunTool("sox " + Quote(Path("src.wav")) + " " + Quote(Path("song.aiff"))));
    ExpectTone24(Open(Path("song.aiff")), 2);

    // Compressed WAV decodes as the tool's own decoder does.
    for (const char* encoding : {"u-law", "ima-adpcm"}) {
        SCOPED_TRACE(encoding);
        const std::string packed = Path("packed.wav"), back = Path("back.wav");
        ASSERT_TRUE(RunTool("sox " + Quote(Path("src.wav")) + " -e " + encoding + " " + Quote(packed)));
        ASSERT_TRUE(RunTool("sox " + Quote(packed) + " -b 16 -e signed " + Quote(back)));
        const OpenResult r = Open(packed);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r.clip.bytes, ReadWaveFile(back).clip.bytes);
        EXPECT_TRUE(r.conversions.empty());
    }
}

TEST_F(SoundFileTest, LossyFilesOpenAtTheirRateAndLengthCloseToTheirDecoder) {
    ZIRPEL_REQUIRE_TOOL("oggenc");
    ZIRPEL_REQUIRE_TOOL("oggdec");
    ZIRPEL_REQUIRE_TOOL("opusenc");
    ZIRPEL_REQUIRE_TOOL("opusdec");
    Wav24("src.wav", 2);
    ASSERT_TRUE(RunTool("oggenc -Q -q 4 -o " + Quote(Path("s.ogg")) + " " + Quote(Path("src.wav"))));
    ASSERT_TRUE(RunTool("oggdec -Q -b 16 -o " + Quote(Path("s-ogg.wav")) + " " + Quote(Path("s.ogg"))));
    ASSERT_TRUE(RunTool("opusenc --quiet " + Quote(Path("src.wav")) + " " + Quote(Path("s.opus"))));
    ASSERT_TRUE(RunTool("opusdec --quiet --rate 48000 --no-dither " + Quote(Path("s.opus")) + " " +
                        Quote(Path("s-opus.wav"))));
    for (const auto& [file, reference, rate] : {std::tuple{"s.ogg", "s-ogg.wav", kRate},
                                               std::tuple{"s.opus", "s-opus.wav", 48000}}) {
        SCOPED_TRACE(file);
        const OpenResult r = Open(Path(file));
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r.clip.format, (ClipFormat{rate, true, true}));
        const WaveRead ref = ReadWaveFile(Path(reference));
        ASSERT_TRUE(ref.ok());
        const auto a = Samples(r.clip), b = Samples(ref.clip);
        ASSERT_EQ(a.size(), b.size());
        int worst = 0;
        for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
        EXPECT_LE(worst, 1) << "beyond the rounding of the two decoders";
    }
}

TEST_F(SoundFileTest, WhatNeitherReaderTakesStaysRefused) {
    // Text with an audio name, an MP3 named .wav (MP3 opens by its name
    // only), a truncated 16-bit WAV and a WAV with "data" before "fmt "
    // (the WAV reader's own refusals stand).
    const std::vector<std::uint8_t> pcm(400, 7);
    const std::vector<std::vector<std::uint8_t>> files{
        {'n', 'o', ' ', 'm', 'u', 's', 'i', 'c'},
        ToneMp3({44100, 2, 128, 0.3, 1000.0}),
        WavBuilder().RiffWave().Fmt(1, 2, 44100, 16).ChunkHeader("data", 4000).Bytes(pcm).Finish(),
        WavBuilder().RiffWave().Chunk("data", pcm).Fmt(1, 2, 44100, 16).Finish(),
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        const OpenResult r = Open(WriteBytes(i == 0 ? "text.flac" : "f" + std::to_string(i) + ".wav", files[i]));
        ASSERT_FALSE(r.ok()) << i;
        EXPECT_EQ(NoticesFor(r).back().text, "Konnte Datei nicht öffnen");
    }
}

}  // namespace
}  // namespace zirpel::test
