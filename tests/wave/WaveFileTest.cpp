#include "wave/WaveFile.h"

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "wave/WavBuilder.h"

namespace zirpel {
namespace {

using test::WavBuilder;

std::vector<std::uint8_t> Ramp(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return v;
}

std::uint32_t LE32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t LE16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

class ReadWaveFileTest : public test::TempDirTest {};

TEST_F(ReadWaveFileTest, ReadsFormatAndDataOfPlainFiles) {
    const auto payload = Ramp(10);
    auto mono8 = WavBuilder().RiffWave().Fmt(1, 1, 8000, 8).Chunk("data", payload).Finish();
    auto r = ReadWaveFile(WriteBytes("a.wav", mono8));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.clip.bytes, payload);
    EXPECT_EQ(r.clip.format, (ClipFormat{8000, false, false}));

    auto stereo16 = WavBuilder().RiffWave().Fmt(1, 2, 44100, 16).Chunk("data", payload).Finish();
    r = ReadWaveFile(WriteBytes("b.wav", stereo16));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.clip.bytes, payload);
    EXPECT_EQ(r.clip.format, (ClipFormat{44100, true, true}));
}

// Memory handed in for the audio is used when it is large enough (cut to
// the data's size, whatever it held) and passed over when it is too small.
TEST_F(ReadWaveFileTest, ReadsIntoMemoryHandedInWhenItIsLargeEnough) {
    const auto payload = Ramp(100);
    const std::string name = WriteBytes("a.wav", WavBuilder().RiffWave().Fmt(1, 2, 44100, 16).Chunk("data", payload).Finish());
    for (const std::size_t roomBytes : {0, 50, 100, 4096}) {
        SCOPED_TRACE(roomBytes);
        const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const WaveRead r = ReadWaveFile(fd, std::vector<std::uint8_t>(roomBytes, 0xEE));
        ::close(fd);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r.clip.bytes, payload);
    }
}

TEST_F(ReadWaveFileTest, AcceptsLongerFmtOtherChunksAndPartialLastFrame) {
    const auto payload = Ramp(7);  // 16-bit stereo: one frame and three spare bytes
    // 18-byte fmt with cbSize, then an odd-sized LIST chunk with its pad byte.
    auto bytes = WavBuilder()
                     .RiffWave()
                     .Fmt(1, 2, 22050, 16, 18)
                     .Chunk("LIST", Ramp(5))
                     .Chunk("data", payload)
                     .Finish();
    auto r = ReadWaveFile(WriteBytes("a.wav", bytes));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.clip.bytes, payload);
    EXPECT_EQ(r.clip.format, (ClipFormat{22050, true, true}));

    // An odd fmt length (17) is followed by a pad byte before the next chunk.
    bytes = WavBuilder().RiffWave().Fmt(1, 1, 11025, 8, 17).Chunk("data", payload).Finish();
    r = ReadWaveFile(WriteBytes("b.wav", bytes));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.clip.bytes, payload);
}

TEST_F(ReadWaveFileTest, SkipsOtherTopLevelChunksAndToleratesOversizedRiff) {
    const auto payload = Ramp(4);
    // A junk chunk before RIFF, and a RIFF/AVI form that is not the one wanted.
    auto bytes = WavBuilder()
                     .Chunk("JUNK", Ramp(3))
                     .Id("RIFF").U32(8).Id("AVI ").Zeros(4)
                     .RiffWave()
                     .Fmt(1, 1, 8000, 8)
                     .Chunk("data", payload)
                     .Finish();
    auto r = ReadWaveFile(WriteBytes("a.wav", bytes));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.clip.bytes, payload);

    // Streamed files often carry a RIFF size larger than the file.
    bytes = WavBuilder().RiffWave(0xFFFFFFFFu).Fmt(1, 1, 8000, 8).Chunk("data", payload).Finish();
    r = ReadWaveFile(WriteBytes("b.wav", bytes));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.clip.bytes, payload);
}

struct BadFile {
    const char* what;
    std::vector<std::uint8_t> bytes;
};

TEST_F(ReadWaveFileTest, RefusesMalformedAndUnsupportedFiles) {
    const auto d = Ramp(16);
    auto fmtOk = [] { return WavBuilder().RiffWave().Fmt(1, 1, 8000, 8); };
    const std::vector<BadFile> cases = {
        {"empty file", {}},
        {"only RIFF id", WavBuilder().Id("RIFF").Finish()},
        {"not RIFF", WavBuilder().Id("RIFX").U32(36).Id("WAVE").Fmt(1, 1, 8000, 8).Chunk("data", d).Finish()},
        {"form type not WAVE",
         WavBuilder().Id("RIFF").U32(100).Id("WAVX").Fmt(1, 1, 8000, 8).Chunk("data", d).Finish()},
        {"no fmt", WavBuilder().RiffWave().Chunk("data", d).Finish()},
        // The next chunk's id starts with 08 00, which a 16-byte read of the
        // short fmt would take for wBitsPerSample = 8.
        {"fmt shorter than 16", WavBuilder().RiffWave().Id("fmt ").U32(14).U16(1).U16(1).U32(8000).U32(8000)
                                    .U16(1).U16(8).U16(0x6262).U32(0).Chunk("data", d).Finish()},
        {"file ends inside fmt", WavBuilder().RiffWave().Id("fmt ").U32(16).U16(1).U16(1).Finish()},
        {"IEEE float", WavBuilder().RiffWave().Fmt(3, 1, 8000, 8).Chunk("data", d).Finish()},
        {"extensible", WavBuilder().RiffWave().Fmt(0xFFFE, 2, 44100, 16, 40).Chunk("data", d).Finish()},
        {"MPEG layer 3", WavBuilder().RiffWave().Fmt(0x55, 2, 44100, 0, 30).Chunk("data", d).Finish()},
        {"0 channels", WavBuilder().RiffWave().Fmt(1, 0, 8000, 8).Chunk("data", d).Finish()},
        {"3 channels", WavBuilder().RiffWave().Fmt(1, 3, 8000, 8).Chunk("data", d).Finish()},
        {"24 bit", WavBuilder().RiffWave().Fmt(1, 1, 8000, 24).Chunk("data", d).Finish()},
        {"rate 0", WavBuilder().RiffWave().Fmt(1, 1, 0, 8).Chunk("data", d).Finish()},
        {"rate beyond int32", WavBuilder().RiffWave().Fmt(1, 1, 0x80000000u, 8).Chunk("data", d).Finish()},
        {"no data", fmtOk().Chunk("LIST", d).Finish()},
        {"data only before fmt",
         WavBuilder().RiffWave().Chunk("data", d).Fmt(1, 1, 8000, 8).Finish()},
        {"data size 0", fmtOk().Chunk("data", {}).Finish()},
        {"data larger than rest of file", fmtOk().ChunkHeader("data", 17).Bytes(d).Finish()},
        // Must be refused from the file size alone, before a 2 GB buffer exists.
        {"data size 0x7FFFFFFF in a tiny file", fmtOk().ChunkHeader("data", 0x7FFFFFFFu).Bytes(d).Finish()},
        {"data size beyond int32", fmtOk().ChunkHeader("data", 0x80000000u).Bytes(d).Finish()},
        {"data size 0xFFFFFFFF", fmtOk().ChunkHeader("data", 0xFFFFFFFFu).Bytes(d).Finish()},
        {"data outside the RIFF chunk",
         WavBuilder().RiffWave(4 + 24).Fmt(1, 1, 8000, 8).Chunk("data", d).Finish()},
        // Sizes whose 32-bit "size + pad" or "position + size" would wrap
        // back to an earlier chunk: the walk must end, not loop.
        {"chunk size 0xFFFFFFFF before data", fmtOk().ChunkHeader("LIST", 0xFFFFFFFFu).Chunk("data", d).Finish()},
        {"chunk size wrapping to the start",
         fmtOk().ChunkHeader("LIST", 0xFFFFFFFFu - 8 - 36 + 1).Chunk("data", d).Finish()},
        {"fmt size 0xFFFFFFFF",
         WavBuilder().RiffWave().ChunkHeader("fmt ", 0xFFFFFFFFu).U16(1).U16(1).U32(8000).U32(8000)
             .U16(1).U16(8).Chunk("data", d).Finish()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(ReadWaveFile(WriteBytes("bad.wav", c.bytes)).ok());
    }
}

TEST_F(ReadWaveFileTest, RefusesWhatCannotBeOpened) {
    EXPECT_FALSE(ReadWaveFile(Path("does-not-exist.wav")).ok());
    EXPECT_FALSE(ReadWaveFile(dir_.string()).ok());  // a folder
    EXPECT_FALSE(ReadWaveFile("").ok());
    // A FIFO would block the first read (and a plain open) for ever.
    const std::string fifo = Path("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadWaveFile(fifo).status, WaveStatus::CannotOpen);
}

class WriteWaveFileTest : public test::TempDirTest {};

TEST_F(WriteWaveFileTest, WritesCanonicalHeader) {
    const auto d = Ramp(8);
    const std::string p = Path("s.wav");
    ASSERT_TRUE(WriteWaveFile(p, zirpel::ClipSpan{d.data(), 8, {44100, true, true}}));
    auto b = ReadBytes(p);
    ASSERT_EQ(b.size(), 44u + 8u);
    EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
    EXPECT_EQ(LE32(b, 4), b.size() - 8);
    EXPECT_EQ(std::memcmp(b.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(LE32(b, 16), 16u);
    EXPECT_EQ(LE16(b, 20), 1);       // PCM
    EXPECT_EQ(LE16(b, 22), 2);       // channels
    EXPECT_EQ(LE32(b, 24), 44100u);  // rate
    EXPECT_EQ(LE32(b, 28), 176400u);
    EXPECT_EQ(LE16(b, 32), 4);
    EXPECT_EQ(LE16(b, 34), 16);
    EXPECT_EQ(std::memcmp(b.data() + 36, "data", 4), 0);
    EXPECT_EQ(LE32(b, 40), 8u);
    EXPECT_TRUE(std::equal(d.begin(), d.end(), b.begin() + 44));

    ASSERT_TRUE(WriteWaveFile(p, zirpel::ClipSpan{d.data(), 8, {8000, false, false}}));  // overwrites
    b = ReadBytes(p);
    ASSERT_EQ(b.size(), 52u);
    EXPECT_EQ(LE16(b, 22), 1);
    EXPECT_EQ(LE32(b, 24), 8000u);
    EXPECT_EQ(LE32(b, 28), 8000u);
    EXPECT_EQ(LE16(b, 32), 1);
    EXPECT_EQ(LE16(b, 34), 8);
}

TEST_F(WriteWaveFileTest, OddSizeGetsPadByteCountedInRiffSize) {
    const auto d = Ramp(5);
    const std::string p = Path("odd.wav");
    ASSERT_TRUE(WriteWaveFile(p, zirpel::ClipSpan{d.data(), 5, {8000, false, false}}));
    const auto b = ReadBytes(p);
    ASSERT_EQ(b.size(), 44u + 5u + 1u);
    EXPECT_EQ(LE32(b, 40), 5u);
    EXPECT_EQ(b.back(), 0);
    EXPECT_EQ(LE32(b, 4), 42u);  // 36 + 5 + pad
}

TEST_F(WriteWaveFileTest, RoundTripsEveryFormat) {
    for (bool stereo : {false, true}) {
        for (bool is16 : {false, true}) {
            for (std::int32_t size : {1, 2, 3, 1001}) {
                SCOPED_TRACE(testing::Message() << stereo << is16 << " size " << size);
                const auto d = Ramp(static_cast<std::size_t>(size));
                const std::string p = Path("rt.wav");
                ASSERT_TRUE(WriteWaveFile(p, zirpel::ClipSpan{d.data(), size, {12345, stereo, is16}}));
                const auto r = ReadWaveFile(p);
                ASSERT_TRUE(r.ok());
                EXPECT_EQ(r.clip.bytes, d);
                EXPECT_EQ(r.clip.format, (ClipFormat{12345, stereo, is16}));
            }
        }
    }
}

TEST_F(WriteWaveFileTest, ReportsFailures) {
    const auto d = Ramp(4);
    EXPECT_FALSE(WriteWaveFile(Path("no-such-dir/x.wav"), zirpel::ClipSpan{d.data(), 4, {8000, false, false}}));
    EXPECT_FALSE(WriteWaveFile(dir_.string(), zirpel::ClipSpan{d.data(), 4, {8000, false, false}}));
    EXPECT_FALSE(WriteWaveFile(Path("neg.wav"), zirpel::ClipSpan{d.data(), -1, {8000, false, false}}));
    EXPECT_FALSE(WriteWaveFile(Path("null.wav"), zirpel::ClipSpan{nullptr, 4, {8000, false, false}}));
    EXPECT_FALSE(WriteWaveFile(Path("rate.wav"), zirpel::ClipSpan{d.data(), 4, {0, false, false}}));
    // A full device accepts the buffered writes and fails on the flush at close.
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(WriteWaveFile("/dev/full", zirpel::ClipSpan{d.data(), 4, {8000, false, false}}));
    }
}

}  // namespace
}  // namespace zirpel
