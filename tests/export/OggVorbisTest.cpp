// The Ogg Vorbis save: what oggdec makes of the file (length, rate,
// channels, the tone still there), the bit rates the encoder takes, and a
// failed write that leaves the old file.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>

#include <sys/resource.h>

#include "codec/ToolCorpus.h"
#include "export/FakeEncoder.h"
#include "export/OggVorbisFile.h"
#include "wave/WavBuilder.h"
#include "wave/WaveFile.h"

namespace zirpel::test {
namespace {

Clip ToneClip(std::int32_t rate, bool stereo, bool is16Bit, std::int32_t frames) {
    std::vector<std::uint8_t> bytes;
    for (std::int32_t i = 0; i < frames * (stereo ? 2 : 1); ++i) {
        const int frame = stereo ? i / 2 : i;
        const auto s = static_cast<std::int16_t>(std::lround(12000 * std::sin(2 * M_PI * 440.0 * frame / rate)));
        if (is16Bit) bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(is16Bit ? s >> 8 : (s >> 8) + 128));
    }
    return Clip(std::move(bytes), {rate, stereo, is16Bit});
}

class OggVorbisTest : public TempDirTest {
protected:
    // Decodes with oggdec into a 16-bit WAV and reads that back.
    WaveRead Decode(const std::string& ogg) {
        const std::string wav = ogg + ".wav";
        EXPECT_TRUE(RunTool("oggdec -Q -b 16 -o " + Quote(wav) + " " + Quote(ogg)));
        return ReadWaveFile(wav);
    }
    LongTask quiet;
};

TEST_F(OggVorbisTest, DecodesToTheClipsLengthAtTheChosenRate) {
    ZIRPEL_REQUIRE_TOOL("oggdec");
    struct Case {
        Clip clip;
        std::int32_t rate;
    };
    for (const Case& c : {Case{ToneClip(44100, true, true, 44100), 44100},  // no resampling
                          Case{ToneClip(22050, false, true, 11025), 48000},  // up, mono
                          Case{ToneClip(48000, true, false, 24000), 11025}}) {  // 8-bit, down
        SCOPED_TRACE(c.rate);
        const std::string path = Path("out.ogg");
        const OggSaveResult r = SaveClipAsOggVorbisFile(path, c.clip.span(), c.rate, 128, quiet);
        ASSERT_EQ(r.status, SaveStatus::Saved);
        const WaveRead back = Decode(path);
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(back.clip.format, (ClipFormat{c.rate, c.clip.format.stereo, true}));
        const double expected = double(c.clip.span().frames()) * c.rate / c.clip.format.sampleRate;
        EXPECT_NEAR(back.clip.span().frames(), expected, 2.0);
        // The tone survives: RMS of a 12000-amplitude sine is about 8485.
        double sum = 0;
        const auto* s = reinterpret_cast<const std::int16_t*>(back.clip.bytes.data());
        const std::size_t n = back.clip.bytes.size() / 2;
        for (std::size_t i = n / 4; i < 3 * n / 4; ++i) sum += double(s[i]) * s[i];
        EXPECT_NEAR(std::sqrt(sum / (n / 2)), 8485, 500);
    }
}

TEST_F(OggVorbisTest, BitRatesTheEncoderRefusesBecomeTheNearestItTakes) {
    EXPECT_EQ(NearestVorbisBitRate(2, 44100, 128), 128);
    const auto low = NearestVorbisBitRate(2, 44100, 8);
    ASSERT_TRUE(low);
    EXPECT_GT(*low, 8);
    EXPECT_FALSE(NearestVorbisBitRate(2, 44100, *low - 1) == *low - 1) << "not the nearest";

    FakeEncoder unused;
    SaveRequest req{Writer::OggVorbis, Path("ring.ogg"), 44100, 8};
    const SaveOutcome outcome = SaveClipAs(req, ToneClip(44100, true, true, 4410).span(), unused, quiet);
    ASSERT_EQ(outcome.status, SaveStatus::Saved);
    EXPECT_EQ(outcome.note, "Ogg Vorbis mit " + std::to_string(*low) +
                                " statt 8 kBit/s gespeichert (bei 44100 Hz Stereo nicht möglich)");
    req.bitRate = 128;
    EXPECT_EQ(SaveClipAs(req, ToneClip(44100, true, true, 4410).span(), unused, quiet).note, "");
}

TEST_F(OggVorbisTest, AFailedWriteLeavesTheOldFile) {
    const std::string target = WriteBytes("song.ogg", {'o', 'l', 'd'});
    const Clip clip = ToneClip(44100, true, true, 44100 * 5);
    {
        // Writes beyond 3000 bytes (less than the headers) fail with EFBIG, as on a full disk.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit lim = old;
        lim.rlim_cur = 3000;
        ::setrlimit(RLIMIT_FSIZE, &lim);
        const SaveStatus status = SaveClipAsOggVorbisFile(target, clip.span(), 44100, 128, quiet).status;
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(status, SaveStatus::CannotWrite);
    }
    EXPECT_EQ(ReadBytes(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1) << "a temporary file was left";
    bool stop = true;
    EXPECT_EQ(SaveClipAsOggVorbisFile(target, clip.span(), 44100, 128, quiet, [&] { return stop; }).status,
              SaveStatus::Stopped);
    EXPECT_EQ(ReadBytes(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
}

}  // namespace
}  // namespace zirpel::test
