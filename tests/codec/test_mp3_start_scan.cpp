// The block scan of the MP3 data start search: the same answer as the
// byte-wise rule on every input, block seams included; pumping and stopping
// during long scans; and which files the byte source agrees to open.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>

#include "codec/ByteSource.h"
#include "codec/Mp3DataStart.h"
#include "codec/Mp3Fixtures.h"
#include "codec/Mp3Import.h"

using namespace zirpel;
using Bytes = std::vector<std::uint8_t>;

namespace {

const Bytes kHeader = {0xFF, 0xFB, 0x90, 0x64};  // MPEG-1 Layer III, 128 kbit/s

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Both searches on `bytes`; the block scan with the given block size.
void ExpectSameAsBytewise(const Bytes& bytes, std::size_t blockBytes) {
    SCOPED_TRACE(::testing::Message() << bytes.size() << " bytes, blocks of " << blockBytes);
    MemoryByteSource a(bytes.data(), bytes.size());
    MemoryByteSource b(bytes.data(), bytes.size());
    Mp3DataStart want, got;
    bool wantThrew = false, gotThrew = false;
    try {
        want = FindMp3DataStartBytewise(a);
    } catch (const EInOutError&) {
        wantThrew = true;
    }
    try {
        got = FindMp3DataStart(b, nullptr, {blockBytes, 1 << 20});
    } catch (const EInOutError&) {
        gotThrew = true;
    }
    ASSERT_EQ(gotThrew, wantThrew);
    if (wantThrew) return;
    EXPECT_EQ(got.riffWrapped, want.riffWrapped);
    EXPECT_EQ(got.frameFound, want.frameFound);
    EXPECT_EQ(got.header, want.header);
    EXPECT_EQ(got.dataStart, want.dataStart);
    EXPECT_EQ(got.wrapperFormat, want.wrapperFormat);
    EXPECT_FALSE(got.stopped);
}

// Counts the pumps; asks to stop, or reports its owner gone, at a given pump.
struct ScriptedTask : LongTask {
    int pumps = 0;
    int stopAt = 0;  // StopRequested() turns true from this pump on
    int goneAt = 0;  // Pump() returns false at this pump
    int stopQueries = 0;
    bool Pump() override { return ++pumps != goneAt; }
    bool StopRequested() const override {
        ++const_cast<ScriptedTask*>(this)->stopQueries;
        return stopAt != 0 && pumps >= stopAt;
    }
};

}  // namespace

TEST(Mp3StartScan, MatchesTheBytewiseRuleAtEveryBlockSeam) {
    const Bytes id3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};  // 20-byte tag
    const Bytes cut = {0xFF, 0xFB, 0x90};
    const Bytes reserved = {0xFF, 0xEB, 0x90, 0x44};  // reserved version: passed over
    const std::vector<Bytes> inputs = {
        {},
        {0},
        {0xFF},
        {0xFF, 0xFB},
        cut,
        kHeader,
        Bytes(9, 0),
        Cat({Bytes(9, 0), kHeader}),
        Cat({Bytes(9, 0), cut}),
        Cat({Bytes(7, 'x'), kHeader, Bytes(5, 'y')}),
        Cat({Bytes(7, 'x'), reserved, Bytes(3, 0xFF), kHeader}),
        Cat({Bytes(11, 0xFF), kHeader}),
        Cat({Bytes(13, 'j'), cut}),
        Cat({Bytes(1, 'j'), Bytes(3, 0xFF)}),
        Cat({id3, Bytes(20, 0xFF), kHeader}),
        Cat({id3, Bytes(20, 'T'), Bytes(17, 0), Bytes(3, 'j'), kHeader}),
        Cat({id3, Bytes(20, 'T'), Bytes(17, 0)}),      // padding to the end
        Cat({id3, Bytes(5, 'T')}),                     // tag runs past the end
        Cat({Bytes(3, 0), id3, Bytes(20, 'T'), kHeader}),
        Cat({{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, Bytes(6, 'a'), kHeader}),
        Cat({{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 2, 0, 0, 0, 1, 0}}),
    };
    for (const Bytes& input : inputs)
        for (std::size_t block : {1u, 2u, 3u, 4u, 5u, 7u, 64u, 1u << 20}) ExpectSameAsBytewise(input, block);

    // Random files made of the bytes that matter, so that zero runs, tags,
    // near-misses and headers meet the seams in every arrangement.
    std::mt19937 random(20240611);
    const std::uint8_t alphabet[] = {0, 0, 0, 0xFF, 0xFF, 0xFB, 0xE3, 0x90, 0xF0, 0x0C, 'I', 'D', '3', 'x'};
    for (int n = 0; n < 3000; ++n) {
        Bytes input(random() % 64);
        for (auto& b : input) b = alphabet[random() % sizeof alphabet];
        ExpectSameAsBytewise(input, 1 + random() % 9);
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(Mp3StartScan, FindsAHeaderAcrossTheSeamOfFullSizeBlocks) {
    constexpr std::size_t kBlock = 1 << 20;
    for (std::size_t at : {kBlock - 3, kBlock - 1, kBlock, kBlock + 1, kBlock + 4}) {
        Bytes junk(kBlock + 64, 'j');
        std::copy(kHeader.begin(), kHeader.end(), junk.begin() + static_cast<std::ptrdiff_t>(at));
        ExpectSameAsBytewise(junk, kBlock);
        ExpectSameAsBytewise(Cat({Bytes(at, 0), kHeader}), kBlock);
    }
}

TEST(Mp3StartScan, PumpsEvery16MiBAndEndsOnStopOrWhenTheOwnerIsGone) {
    // 40 MiB of zeros, then a header: two pumps on the way, and the data is
    // still handed on from byte 0.
    const Bytes zeros = Cat({Bytes(40u << 20, 0), kHeader});
    MemoryByteSource source(zeros.data(), zeros.size());
    ScriptedTask task;
    Mp3DataStart start = FindMp3DataStart(source, &task);
    EXPECT_TRUE(start.frameFound);
    EXPECT_EQ(start.dataStart, 0u);
    EXPECT_EQ(task.pumps, 2);

    // Small limits from here: a pump every 256 bytes, in 64-byte blocks.
    const BlockScanLimits small{64, 256};
    const Bytes junk = Cat({Bytes(2000, 'j'), kHeader});
    const Bytes padded = Cat({{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 1}, {'T'}, Bytes(2000, 0), kHeader});
    for (const Bytes* input : {&junk, &padded}) {
        MemoryByteSource s(input->data(), input->size());
        ScriptedTask stop;
        stop.stopAt = 3;
        start = FindMp3DataStart(s, &stop, small);
        EXPECT_TRUE(start.stopped);
        EXPECT_FALSE(start.frameFound);
        EXPECT_EQ(stop.pumps, 3);

        // An owner gone during Pump() is not asked anything afterwards.
        ScriptedTask gone;
        gone.goneAt = 2;
        start = FindMp3DataStart(s, &gone, small);
        EXPECT_TRUE(start.stopped);
        EXPECT_EQ(gone.pumps, 2);
        EXPECT_EQ(gone.stopQueries, 1);

        // Left alone, the same search finds the header behind it all.
        ScriptedTask patient;
        start = FindMp3DataStart(s, &patient, small);
        EXPECT_TRUE(start.frameFound);
        EXPECT_FALSE(start.stopped);
        EXPECT_EQ(start.dataStart, input->size() - 4);
        EXPECT_EQ(patient.pumps, 7);
    }
}

TEST(Mp3StartScan, OnlyRegularFilesAreOpened) {
    test::ScratchDir dir;
    const std::string fifo = dir.file("pipe.mp3");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // With no writer, a blocking open of the FIFO would wait forever.
    EXPECT_EQ(FileByteSource::open(fifo), nullptr);
    EXPECT_EQ(FileByteSource::open(dir.path()), nullptr);
    EXPECT_EQ(FileByteSource::open(dir.file("missing.mp3")), nullptr);

    // A regular file reads as in memory, the 64 KiB window's seams included.
    Bytes bytes = Cat({Bytes(70000, 0), Bytes(100000, 'j'), kHeader, Bytes(10, 'k')});
    test::WriteBytes(dir.file("ok.mp3"), bytes);
    auto file = FileByteSource::open(dir.file("ok.mp3"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->size(), bytes.size());
    const Mp3DataStart fromFile = FindMp3DataStart(*file, nullptr, {4096, 1 << 20});
    EXPECT_TRUE(fromFile.frameFound);
    EXPECT_EQ(fromFile.dataStart, 170000u);

    // The import shows its "cannot open" message for a folder named .mp3.
    TACMConvertor convertor(acm::DefaultAcmRegistry());
    std::vector<FormatBlock> formats;
    Mp3Codec codec{convertor, formats, 0};
    LongTask quiet;
    TempWaveFile out(dir.path());
    const std::string folder = dir.file("folder.mp3");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const Mp3ConvertResult r = ConvertMP3WAV(folder, out, codec, quiet);
    EXPECT_EQ(r, Mp3ConvertResult::SourceNotOpened);
    EXPECT_EQ(NoticeFor(r).text, "Konnte Datei nicht öffnen!");
    EXPECT_FALSE(out.created());
}

TEST(Mp3StartScan, HolesOfASparseFileReadAsZeros) {
    // 3 MiB of hole, a little junk, a frame header, then 2 MiB more hole:
    // the file reads exactly like the same bytes in memory.
    test::ScratchDir dir;
    const std::string path = dir.file("sparse.mp3");
    Bytes bytes(3u << 20, 0);
    const Bytes tail = Cat({Bytes(7, 'j'), kHeader, Bytes(5, 'k')});
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    bytes.resize(bytes.size() + (2u << 20), 0);
    {
        std::ofstream f(path, std::ios::binary);
        f.seekp(3u << 20);
        f.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
    }
    std::filesystem::resize_file(path, bytes.size());
    auto file = FileByteSource::open(path);
    ASSERT_NE(file, nullptr);
    Bytes read(bytes.size() + 10, 0xAA);
    EXPECT_EQ(file->read(read.data(), read.size()), bytes.size());
    read.resize(bytes.size());
    EXPECT_EQ(read, bytes);
    file->seek(0);
    EXPECT_EQ(FindMp3DataStart(*file).dataStart, (3u << 20) + 7);
}
