// Decoding in pieces against one decoder: every file of a corpus made by the
// lame encoder at test time (constant and variable bit rate, MPEG-1, 2 and
// 2.5, mono, joint and plain stereo, CRC, ID3v2 with a picture, with and
// without the Xing/LAME frame, a cut last frame, junk in the middle, two
// songs in one file) gives the same WAV bytes in any number of pieces.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include <unistd.h>

#include "codec/Mp3Fixtures.h"
#include "codec/Mp3FrameChain.h"
#include "codec/Mp3Import.h"
#include "codec/Mp3Pieces.h"
#include "codec/Mpg123Driver.h"
#include "codec/PcmTarget.h"
#include "wave/WaveFile.h"

using namespace zirpel;
using namespace zirpel::test;

namespace {

// Twenty seconds of something like music: chords that change four times a
// second with a noisy attack (short blocks), a second voice on the right,
// and digital silence at the start, for a second in the middle and at the end.
std::vector<std::uint8_t> WavOf(const std::vector<std::int16_t>& pcm);

std::vector<std::uint8_t> MusicWav(int seconds) {
    const int rate = 44100, frames = rate * seconds;
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames) * 2);
    std::uint32_t seed = 7;
    double phase[3] = {0, 0, 0}, freq[3] = {220, 277, 330}, env = 0;
    for (int i = 0; i < frames; ++i) {
        if (i % (rate / 4) == 0) {
            env = 1;
            for (double& f : freq) f = 110 * std::pow(2.0, (seed = seed * 1103515245 + 12345) % 36 / 12.0);
        }
        env *= 0.99993;
        double v = 0;
        for (int k = 0; k < 3; ++k) v += std::sin(phase[k] += 2 * M_PI * freq[k] / rate) / (k + 1);
        seed = seed * 1103515245 + 12345;
        const double noise = (static_cast<double>(seed >> 16 & 0x7FFF) / 32768 - 0.5) * (i % (rate / 4) < 300 ? 0.8 : 0.03);
        pcm[2 * i] = static_cast<std::int16_t>(9000 * env * v + 8000 * noise);
        pcm[2 * i + 1] = static_cast<std::int16_t>(7000 * env * std::sin(phase[1] * 1.5) + 6000 * noise);
        if (i < rate / 2 || (i >= 8 * rate && i < 9 * rate) || i >= frames - rate / 2) pcm[2 * i] = pcm[2 * i + 1] = 0;
    }
    return WavOf(pcm);
}

// Two slowly gliding tones and nothing else: the encoder keeps its
// reservoir full, so hardly a frame's successor has its data in it alone;
// whether or not it is cut, the bytes must be the one decoder's.
std::vector<std::uint8_t> ToneWav(int seconds) {
    const int rate = 44100, frames = rate * seconds;
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames) * 2);
    double phase1 = 0, phase2 = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        phase1 += 2 * M_PI * (300 + 200 * std::sin(t / 7)) / rate;
        phase2 += 2 * M_PI * (1200 + 500 * std::sin(t / 5)) / rate;
        pcm[2 * i] = static_cast<std::int16_t>(9000 * std::sin(phase1) + 3000 * std::sin(phase2));
        pcm[2 * i + 1] = static_cast<std::int16_t>(6000 * std::sin(phase1 + 1) + 5000 * std::sin(phase2));
    }
    return WavOf(pcm);
}

std::vector<std::uint8_t> WavOf(const std::vector<std::int16_t>& pcm) {
    std::vector<std::uint8_t> wav(44 + pcm.size() * 2);
    const std::uint8_t fmt[16] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0};
    const auto header = BuildWaveHeader(fmt, static_cast<std::uint32_t>(wav.size() - 8),
                                        static_cast<std::uint32_t>(wav.size() - 44));
    std::copy(header.begin(), header.end(), wav.begin());
    std::memcpy(wav.data() + 44, pcm.data(), pcm.size() * 2);
    return wav;
}

// 209 bytes of MPEG-2.5 mono frames a fuzzer made: one frame in four has
// side information the decoder refuses (it gives silence for it without
// running its filter bank), and a cut that started on such a frame once
// shifted the bank's cycle for the rest of the piece.
const std::uint8_t kRefusedFrames[] = {
    0xff, 0xe3, 0x10, 0xc4, 0x00, 0x07, 0xe0, 0x02, 0xf2, 0x59, 0x36, 0x10, 0x02, 0x92, 0x49, 0x24,
    0x91, 0x87, 0x40, 0x07, 0xc1, 0xf0, 0x7c, 0x3f, 0x10, 0x02, 0x00, 0x86, 0x0f, 0x83, 0xef, 0x94,
    0x04, 0x03, 0x18, 0x3f, 0xd1, 0x07, 0xc3, 0xf8, 0x63, 0xf0, 0xff, 0x28, 0xe5, 0x21, 0x78, 0x8f,
    0xc2, 0x1f, 0x52, 0x49, 0xff, 0xe3, 0x12, 0xc4, 0x07, 0x0a, 0xa9, 0x12, 0xcc, 0x01, 0x81, 0x90,
    0x00, 0x7e, 0x8a, 0x25, 0xd3, 0x2f, 0xf2, 0xf1, 0x34, 0x51, 0x15, 0xa8, 0x1d, 0x46, 0xb0, 0x50,
    0x05, 0xf7, 0x50, 0xfb, 0x00, 0x9c, 0x10, 0x9c, 0x8a, 0x97, 0x52, 0x49, 0x21, 0xa0, 0xfe, 0x32,
    0x4d, 0x89, 0x42, 0x40, 0xd2, 0xf0, 0x7c, 0x6b, 0xc7, 0xff, 0xe3, 0x10, 0xc4, 0x04, 0x09, 0xb9,
    0x16, 0xd0, 0x01, 0x81, 0x98, 0x00, 0xfd, 0x35, 0x21, 0xfe, 0x92, 0x5c, 0x03, 0x50, 0x50, 0x0c,
    0x76, 0x59, 0xd6, 0x41, 0x10, 0x02, 0x92, 0x49, 0x24, 0x91, 0x87, 0x40, 0x07, 0xc1, 0xf0, 0x7c,
    0x3f, 0x10, 0x02, 0x00, 0x86, 0x0f, 0x83, 0xef, 0x94, 0x04, 0xda, 0x80, 0x1c, 0xff, 0xe3, 0x10,
    0xc4, 0x04, 0x09, 0x20, 0xf2, 0xbd, 0x91, 0xc1, 0x30, 0x00, 0xff, 0xc4, 0x2c, 0xc2, 0x10, 0xb8,
    0x42, 0x48, 0xfc, 0xe7, 0xf5, 0x55, 0x5f, 0xd5, 0x56, 0xf7, 0x9a, 0xae, 0x69, 0x14, 0x60, 0x18,
    0x04, 0x8b, 0x12, 0x24, 0x95, 0x7a, 0xc1, 0x5f, 0xe5, 0x81, 0xa5, 0x4c, 0x41, 0x4d, 0x45, 0x55,
    0x55,
};

struct Corpus {
    ScratchDir dir;
    std::map<std::string, std::string> files;  // name -> path
    std::vector<std::string> uniform;          // the names that must be cut into pieces
};

Corpus* g_corpus = nullptr;

class Mp3Pieces : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::system("command -v lame > /dev/null 2>&1") != 0)
            GTEST_SKIP() << "lame is not installed (scripts/setup-deps.sh installs it)";
        g_corpus = new Corpus;
        Corpus& c = *g_corpus;
        WriteBytes(c.dir.file("in.wav"), MusicWav(20));
        WriteBytes(c.dir.file("tone.wav"), ToneWav(20));
        // Any bytes behind a PNG signature make a picture frame in the tag.
        WriteBytes(c.dir.file("cover.png"), {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                             1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
        const std::vector<std::pair<std::string, std::string>> variants = {
            {"cbr128", "-b 128"},
            {"vbr", "-V 2"},
            {"mpeg1_32k", "--resample 32 -b 96"},
            {"mpeg1_48k", "--resample 48 -b 192"},
            {"mono_32k", "--resample 32 -m m -b 48"},
            {"mpeg2_22k_mono", "--resample 22.05 -m m -b 32"},
            {"mpeg2_24k_vbr", "--resample 24 -V 6"},
            {"mpeg2_16k", "--resample 16 -b 24"},
            {"mpeg25_8k", "--resample 8 -b 8"},
            {"mpeg25_11k_mono", "--resample 11.025 -m m -b 16"},
            {"plain_stereo_crc", "-m s -p -b 160"},
            {"no_info_frame", "-t -b 112"},
            {"tone_q7", "-t -q 7 -b 128"},
            {"id3v2_cover", "-b 128 --tt Titel --ta Band --ti '" + c.dir.file("cover.png") + "'"},
        };
        for (const auto& [name, args] : variants) {
            const std::string out = c.dir.file(name + ".mp3");
            const std::string in = c.dir.file(name.rfind("tone", 0) == 0 ? "tone.wav" : "in.wav");
            const std::string cmd = "lame --quiet " + args + " '" + in + "' '" + out + "'";
            ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
            c.files[name] = out;
            c.uniform.push_back(name);
        }
        std::vector<std::uint8_t> cbr = ReadBytes(c.files["cbr128"]);
        std::vector<std::uint8_t> cut(cbr.begin(), cbr.end() - 100);
        WriteBytes(c.dir.file("cut.mp3"), cut);
        c.files["cut"] = c.dir.file("cut.mp3");
        c.uniform.push_back("cut");
        std::vector<std::uint8_t> junk = cbr;
        junk.insert(junk.begin() + static_cast<std::ptrdiff_t>(junk.size() * 3 / 5), 999, 0x55);
        WriteBytes(c.dir.file("junk.mp3"), junk);
        c.files["junk"] = c.dir.file("junk.mp3");
        // Damage of the kind a bad download leaves: bytes of audio data
        // overwritten in every 37th frame, headers intact. The decoder gives
        // up on some granules; the pieces must still give its bytes.
        std::vector<std::uint8_t> damaged = cbr;
        {
            MemoryByteSource source(damaged.data(), damaged.size());
            const Mp3FrameChain chain = ScanMp3Frames(source, FindMp3DataStart(source).dataStart);
            for (std::size_t i = 5; i < chain.frames.size(); i += 37)
                for (std::size_t k = 60; k < 100; ++k) damaged[chain.frames[i].offset + k] ^= 0xA5;
        }
        WriteBytes(c.dir.file("damaged.mp3"), damaged);
        c.files["damaged"] = c.dir.file("damaged.mp3");
        c.uniform.push_back("damaged");
        std::vector<std::uint8_t> two = cbr;
        const std::vector<std::uint8_t> vbr = ReadBytes(c.files["vbr"]);
        two.insert(two.end(), vbr.begin(), vbr.end());
        WriteBytes(c.dir.file("two.mp3"), two);
        c.files["two"] = c.dir.file("two.mp3");
        std::vector<std::uint8_t> refused;
        while (refused.size() < 128 * 1024) refused.insert(refused.end(), std::begin(kRefusedFrames), std::end(kRefusedFrames));
        WriteBytes(c.dir.file("refused.mp3"), refused);
        c.files["refused"] = c.dir.file("refused.mp3");
    }
    static void TearDownTestSuite() {
        delete g_corpus;
        g_corpus = nullptr;
    }
};

// A conversion's task: records progress, lets a test stop it.
struct Task : LongTask {
    std::vector<std::int32_t> progress;
    int pumps = 0;
    int stopAfterPumps = -1;
    void Progress(std::int32_t p) override { progress.push_back(p); }
    bool Pump() override {
        ++pumps;
        return true;
    }
    bool StopRequested() const override { return stopAfterPumps >= 0 && pumps >= stopAfterPumps; }
};

struct Converted {
    Mp3ConvertResult result;
    std::vector<std::uint8_t> wav;  // the whole file
};

Converted Convert(const std::string& mp3, int pieces, Task& task) {
    TACMConvertor mp3wav;
    mp3wav.LoadMp3WavStoredValues();
    std::vector<FormatBlock> formats;
    std::int32_t count = 0;
    EnumerateMp3Formats(acm::DefaultAcmRegistry(), formats, count, nullptr);
    Mp3Codec codec{mp3wav, formats, count, pieces};
    ScratchDir dir;
    TempWaveFile out(dir.path());
    Converted c;
    c.result = ConvertMP3WAV(mp3, out, codec, task);
    std::vector<std::uint8_t> bytes;
    if (out.created()) {
        bytes.resize(static_cast<std::size_t>(::lseek(out.fd(), 0, SEEK_END)));
        EXPECT_EQ(::pread(out.fd(), bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        // Read back as Open does, into the memory made ready beside the
        // decoders (pieces) or into new memory (one decoder): the file's audio.
        if (c.result == Mp3ConvertResult::Converted) {
            const WaveRead back = ReadWaveFile(out.fd(), out.TakeReadBackRoom());
            EXPECT_TRUE(back.ok());
            EXPECT_TRUE(bytes.size() >= 44 && back.clip.bytes.size() == bytes.size() - 44 &&
                        std::equal(back.clip.bytes.begin(), back.clip.bytes.end(), bytes.begin() + 44));
        }
    }
    c.wav = std::move(bytes);
    return c;
}

Converted Convert(const std::string& mp3, int pieces) {
    Task task;
    return Convert(mp3, pieces, task);
}

TEST_F(Mp3Pieces, EveryFileGivesTheSameBytesInAnyNumberOfPieces) {
    for (const auto& [name, path] : g_corpus->files) {
        SCOPED_TRACE(name);
        const Converted one = Convert(path, 1);
        ASSERT_EQ(one.result, Mp3ConvertResult::Converted);
        ASSERT_GT(one.wav.size(), 44u * 1000);
        for (int pieces : {2, 3, 7}) {
            SCOPED_TRACE(pieces);
            const Converted many = Convert(path, pieces);
            EXPECT_EQ(many.result, one.result);
            EXPECT_TRUE(many.wav == one.wav) << many.wav.size() << " bytes against " << one.wav.size();
        }
    }
}

TEST_F(Mp3Pieces, UniformFilesAreReallyCutAndOthersAreNot) {
    // The pieces themselves, without the block loop to fall back on.
    for (const auto& [name, path] : g_corpus->files) {
        SCOPED_TRACE(name);
        const bool uniform = name != "two";
        const std::vector<std::uint8_t> mp3 = ReadBytes(path);
        MemoryByteSource source(mp3.data(), mp3.size());
        const Mp3DataStart start = FindMp3DataStart(source);
        const Mp3FrameChain chain = ScanMp3Frames(source, start.dataStart);
        EXPECT_EQ(chain.uniform, uniform);
        if (!uniform) continue;
        const std::vector<std::uint8_t> want = Convert(path, 1).wav;
        MemoryWaveTarget target;
        ASSERT_TRUE(target.Create());
        Task task;
        const PiecesResult r = DecodeMp3InPieces(source, start.dataStart, chain,
                                                 acm::Mpg123FrameDecoders(chain.sampleRate, static_cast<std::uint16_t>(chain.channels)), 4,
                                                 std::uint64_t{1} << 32, target, task);
        // These lean on the reservoir so hard (48 kbit/s mono; steady tones)
        // that twenty seconds may offer no frame to start a piece at.
        if ((name == "mono_32k" || name == "tone_q7") && r.status == PiecesStatus::NotDecoded) continue;
        // Frames the decoder gave silence for without its filter bank, and
        // that no probe shows it ran: their granules cannot be counted.
        if (name == "refused") {
            EXPECT_EQ(r.status, PiecesStatus::NotDecoded);
            continue;
        }
        ASSERT_EQ(r.status, PiecesStatus::Decoded);
        EXPECT_EQ(r.bytes + 44, want.size());
        ASSERT_TRUE(target.WriteAt(0, want.data(), 44));
        const WaveRead clip = target.TakeClip();
        ASSERT_TRUE(clip.ok());
        EXPECT_TRUE(std::equal(clip.clip.bytes.begin(), clip.clip.bytes.end(), want.begin() + 44));
    }
}

// A file on a slow disk: the pieces are still at work when the first events
// are let through.
class SlowSource final : public ByteSource {
public:
    explicit SlowSource(const std::vector<std::uint8_t>& bytes) : memory_(bytes.data(), bytes.size()) {}
    std::size_t read(void* b, std::size_t n) override { return memory_.read(b, n); }
    void seek(std::uint64_t p) override { memory_.seek(p); }
    std::uint64_t tell() const override { return memory_.tell(); }
    std::uint64_t size() const override { return memory_.size(); }
    std::size_t readAt(std::uint64_t p, void* b, std::size_t n) const override {
        ::usleep(20000);
        return memory_.readAt(p, b, n);
    }

private:
    MemoryByteSource memory_;
};

TEST_F(Mp3Pieces, AStopKeepsTheLeadingPartAndTheProgressOnlyGrows) {
    const std::vector<std::uint8_t> mp3 = ReadBytes(g_corpus->files.at("cbr128"));
    const std::vector<std::uint8_t> whole = Convert(g_corpus->files.at("cbr128"), 1).wav;
    TACMConvertor mp3wav;
    mp3wav.LoadMp3WavStoredValues();
    std::vector<FormatBlock> formats;
    std::int32_t count = 0;
    EnumerateMp3Formats(acm::DefaultAcmRegistry(), formats, count, nullptr);
    Mp3Codec codec{mp3wav, formats, count, 3};
    Task task;
    task.stopAfterPumps = 1;
    MemoryWaveTarget target;
    ASSERT_EQ(ConvertMp3Source(std::make_unique<SlowSource>(mp3), target, codec, task), Mp3ConvertResult::Stopped);
    const WaveRead part = target.TakeClip();
    // A well-formed file (or one without audio) whose audio is the start of the song.
    ASSERT_TRUE(part.ok() || part.status == WaveStatus::BadData);
    EXPECT_LT(part.clip.bytes.size(), whole.size() - 44);
    EXPECT_TRUE(std::equal(part.clip.bytes.begin(), part.clip.bytes.end(), whole.begin() + 44));
    ASSERT_FALSE(task.progress.empty());
    EXPECT_EQ(task.progress.back(), 0);
    for (std::size_t i = 1; i + 2 < task.progress.size(); ++i) EXPECT_LE(task.progress[i - 1], task.progress[i]);
}

// Refuses every write that reaches past `limit` bytes of the file.
class FullDisk final : public PcmTarget {
public:
    explicit FullDisk(std::uint64_t limit) : limit_(limit) {}
    bool Create() override { return created = true; }
    void Discard() override { discarded = true; }
    bool WriteAt(std::uint64_t offset, const std::uint8_t*, std::size_t size) override {
        return offset + size <= limit_;
    }
    bool Truncate(std::uint64_t) override { return true; }
    bool created = false, discarded = false;

private:
    std::uint64_t limit_;
};

TEST_F(Mp3Pieces, AFailedWriteOfAnyPieceEndsTheConversion) {
    TACMConvertor mp3wav;
    mp3wav.LoadMp3WavStoredValues();
    std::vector<FormatBlock> formats;
    std::int32_t count = 0;
    EnumerateMp3Formats(acm::DefaultAcmRegistry(), formats, count, nullptr);
    // The first piece's writes, and a later piece's.
    for (std::uint64_t limit : {std::uint64_t{1} << 16, std::uint64_t{3} << 20}) {
        Mp3Codec codec{mp3wav, formats, count, 3};
        FullDisk disk(limit);
        Task task;
        EXPECT_EQ(ConvertMP3WAV(g_corpus->files.at("cbr128"), disk, codec, task), Mp3ConvertResult::CannotWrite);
        EXPECT_TRUE(disk.discarded);
    }
}

TEST_F(Mp3Pieces, TheCrcOfEachFrameIsTheOneLameWrote) {
    const std::vector<std::uint8_t> mp3 = ReadBytes(g_corpus->files.at("plain_stereo_crc"));
    MemoryByteSource source(mp3.data(), mp3.size());
    const Mp3FrameChain chain = ScanMp3Frames(source, FindMp3DataStart(source).dataStart);
    ASSERT_TRUE(chain.crc);
    for (std::size_t i = 1; i < chain.frames.size(); i += 97) {
        const std::uint8_t* f = mp3.data() + chain.frames[i].offset;
        EXPECT_EQ(Mp3FrameCrc(f, f + 6, chain.sideInfoBytes), (f[4] << 8) | f[5]) << i;
    }
}

TEST(Mp3PiecePlan, StartsOnTheFilterBankCycleWhereTheFramesAfterNeedNoOlderBytes) {
    // 1000 MPEG-2 frames; the decoder numbers them from frame 1 on (0 is
    // the Info frame) and calls frame 1 number 3. Each frame's data reaches
    // 200 bytes back, over three frames of 60.
    Mp3FrameChain chain;
    chain.uniform = true;
    for (int i = 0; i < 1000; ++i) chain.frames.push_back({std::uint64_t(i) * 100, 100, 200, 60});
    // Lets the `frames` after `number` find their data from it on.
    const auto allow = [&](std::int64_t number, int frames) {
        for (int k = 1; k <= frames; ++k) chain.frames[static_cast<std::size_t>(1 + number - 3 + k)].mainDataBegin = 50;
    };
    for (std::int64_t n : {203, 211, 228, 500, 499, 491, 700}) allow(n, 3);
    allow(219, 2);  // the third frame after it still reaches before it
    const std::vector<std::int64_t> starts = PlanMp3Pieces(chain, 1, 3, 3);
    // Cuts aimed at 336 and 669 (less the warm-up): the nearest allowed
    // start at or below each on the cycle of frame 3.
    EXPECT_EQ(starts, (std::vector<std::int64_t>{211, 499}));
    EXPECT_TRUE(PlanMp3Pieces(chain, 1, 3, 1).empty());

    // MPEG-1: only the kept frames, four after the start, must find their
    // data from it on, and 4 * 60 bytes hold the 200 each reaches back.
    chain.samplesPerFrame = 1152;
    EXPECT_EQ(PlanMp3Pieces(chain, 1, 3, 3), (std::vector<std::int64_t>{331, 659}));
    for (Mp3Frame& f : chain.frames) f.mainDataBegin = 241;
    EXPECT_TRUE(PlanMp3Pieces(chain, 1, 3, 3).empty());

    chain.uniform = false;
    EXPECT_TRUE(PlanMp3Pieces(chain, 1, 3, 3).empty());
}

}  // namespace
