// MP3 import: data start search, format choice, conversion into WAV through
// the libmpg123 driver and through a scripted one, format enumeration and
// the Open command's file-name helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <map>

#include "codec/FakeDriver.h"
#include "codec/Mp3Fixtures.h"
#include "codec/Mp3Import.h"
#include "codec/Mpg123Driver.h"
#include "codec/OpenAudioFile.h"
#include "codec/TempWaveFile.h"
#include "wave/WaveFile.h"

using namespace zirpel;
using namespace zirpel::acm;
using namespace zirpel::test;

namespace {

// The main window's part of a conversion: format list, convertor, stop
// flag, the temporary file, and what the conversion showed.
struct Harness : LongTask {
    ScratchDir dir;
    AcmRegistry& registry;
    std::vector<FormatBlock> formats;
    std::int32_t formatCount = 0;
    TACMConvertor mp3wav;
    bool stop = false;
    std::vector<std::int32_t> progress;
    std::vector<std::string> messages;
    std::function<void()> onEvents;
    int eventRuns = 0;
    std::unique_ptr<TempWaveFile> out;

    explicit Harness(AcmRegistry& reg = DefaultAcmRegistry()) : registry(reg), mp3wav(reg) {
        mp3wav.LoadMp3WavStoredValues();
        EnumerateMp3Formats(registry, formats, formatCount, nullptr);
    }

    void Progress(std::int32_t p) override { progress.push_back(p); }
    bool Pump() override {
        ++eventRuns;
        if (onEvents) onEvents();
        return true;
    }
    void ClearStop() override { stop = false; }
    bool StopRequested() const override { return stop; }

    // Converts into a new temporary file in `folder` (the scratch folder by default).
    Mp3ConvertResult run(const std::string& mp3, std::string folder = {}) {
        out = std::make_unique<TempWaveFile>(folder.empty() ? dir.path() : folder);
        Mp3Codec codec{mp3wav, formats, formatCount};
        const Mp3ConvertResult r = ConvertMP3WAV(mp3, *out, codec, *this);
        const Notice n = NoticeFor(r);
        if (!n.empty()) messages.push_back(n.text);
        return r;
    }

    // Writes `bytes` as in.mp3 and converts it.
    Mp3ConvertResult convert(const std::vector<std::uint8_t>& bytes) {
        WriteBytes(dir.file("in.mp3"), bytes);
        return run(dir.file("in.mp3"));
    }
    // The converted file while it exists.
    std::string wav() const {
        return out && out->created() ? out->name() : dir.file("tempwav0.wav");
    }
};

struct Decoded {
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> pcm;
    std::size_t frames() const { return channels ? pcm.size() / channels : 0; }
};

// Checks the converted file's header against its length and returns its samples.
Decoded CheckWave(const std::string& path) {
    Decoded d;
    const auto b = ReadBytes(path);
    EXPECT_GE(b.size(), 44u);
    if (b.size() < 44) return d;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(LE32(b, 4), b.size() - 8);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(LE32(b, 16), 16u);
    EXPECT_EQ(LE16(b, 20), 1);
    d.channels = LE16(b, 22);
    d.rate = static_cast<int>(LE32(b, 24));
    EXPECT_EQ(LE32(b, 28), static_cast<std::uint32_t>(d.rate * d.channels * 2));
    EXPECT_EQ(LE16(b, 32), d.channels * 2);
    EXPECT_EQ(LE16(b, 34), 16);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(LE32(b, 40), b.size() - 44);
    d.pcm.resize((b.size() - 44) / 2);
    if (!d.pcm.empty()) std::memcpy(d.pcm.data(), b.data() + 44, d.pcm.size() * 2);
    return d;
}

void ExpectTone(const Decoded& d, double frequency) {
    ASSERT_GT(d.frames(), 1000u);
    const double f = ToneFrequency(d.pcm.data(), d.frames(), d.channels, 0, d.rate);
    EXPECT_NEAR(f, frequency, frequency * 0.03);
    const double left = Rms(d.pcm.data(), d.frames(), d.channels, 0);
    EXPECT_GT(left, 0.7 * 16000 / std::sqrt(2.0));
    if (d.channels == 2) {
        const double right = Rms(d.pcm.data(), d.frames(), d.channels, 1);
        EXPECT_NEAR(right / left, 0.5, 0.1);
    }
}

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Mp3DataStart StartOf(const std::vector<std::uint8_t>& bytes) {
    MemoryByteSource s(bytes.data(), bytes.size());
    return FindMp3DataStart(s);
}

const std::vector<std::uint8_t>& BaseMp3() {
    static const auto bytes = ToneMp3({});
    return bytes;
}

}  // namespace

TEST(Mp3Import, ConvertsEachMpegVersionMonoAndStereo) {
    struct Case {
        int rate, channels, kbps;
        double frequency;
    };
    for (const Case c : {Case{44100, 2, 128, 1000}, Case{44100, 1, 64, 1000}, Case{22050, 2, 64, 1000},
                         Case{22050, 1, 32, 1000}, Case{11025, 2, 32, 440}, Case{11025, 1, 16, 440}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " ch");
        Harness h;
        const auto mp3 = ToneMp3({c.rate, c.channels, c.kbps, 1.0, c.frequency});
        ASSERT_EQ(h.convert(mp3), Mp3ConvertResult::Converted);
        EXPECT_TRUE(h.messages.empty());
        const Decoded d = CheckWave(h.wav());
        EXPECT_EQ(d.rate, c.rate);
        EXPECT_EQ(d.channels, c.channels);
        // One second plus the encoder's delay and padding, in whole frames.
        EXPECT_GE(d.frames(), static_cast<std::size_t>(c.rate));
        EXPECT_LE(d.frames(), static_cast<std::size_t>(c.rate) + 3 * 1152);
        ExpectTone(d, c.frequency);
        // The codec's own format was chosen for the stream.
        EXPECT_EQ(GetU32(h.mp3wav.ACMFormatIn, wfx::nAvgBytesPerSec),
                  static_cast<std::uint32_t>(c.kbps * 125));
        EXPECT_EQ(GetU16(h.mp3wav.ACMFormatIn, wfx::nCodecDelay), 0);
        EXPECT_FALSE(h.mp3wav.Active());
        ASSERT_FALSE(h.progress.empty());
        EXPECT_EQ(h.progress.front(), 0);
        EXPECT_EQ(h.progress.back(), 0);
        EXPECT_EQ(*std::max_element(h.progress.begin(), h.progress.end()), 100);
        EXPECT_TRUE(std::is_sorted(h.progress.begin() + 1, h.progress.end() - 2));
        // The program's own reader takes the result.
        auto wave = ReadWaveFile(h.wav());
        ASSERT_TRUE(wave.ok());
        EXPECT_EQ(wave.clip.format.sampleRate, c.rate);
        EXPECT_EQ(wave.clip.format.stereo, c.channels == 2);
        EXPECT_TRUE(wave.clip.format.is16Bit);
    }
}

TEST(Mp3Import, FindsTheDataBehindTagsZerosJunkAndWrappers) {
    const auto& mp3 = BaseMp3();
    const std::array<std::uint8_t, 4> first = {mp3[0], mp3[1], mp3[2], mp3[3]};

    // ID3v2 tag whose size bytes are ORed in whole: 00 00 00 85 is 133 bytes
    // (a synchsafe reading would say 5). The tag body looks like frame
    // headers, so a wrong size would land on one. Zero padding follows.
    std::vector<std::uint8_t> id3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0x85};
    const std::uint8_t fake[4] = {0xFF, 0xFB, 0x90, 0x64};
    for (int i = 0; i < 133; ++i) id3.push_back(fake[i % 4]);
    id3.resize(id3.size() + 100, 0);
    auto start = StartOf(Concat(id3, mp3));
    EXPECT_TRUE(start.frameFound);
    EXPECT_EQ(start.dataStart, 243u);
    EXPECT_EQ(start.header, first);

    // Leading zeros: found behind them, handed on from byte 0.
    start = StartOf(Concat(std::vector<std::uint8_t>(500, 0), mp3));
    EXPECT_EQ(start.dataStart, 0u);
    EXPECT_EQ(start.header, first);
    // Zeros, then a tag.
    start = StartOf(Concat(std::vector<std::uint8_t>(7, 0), Concat(id3, mp3)));
    EXPECT_EQ(start.dataStart, 250u);

    // Junk, including a header with the reserved version bits, which is
    // passed over.
    std::vector<std::uint8_t> junk(777, 'J');
    junk[100] = 0xFF, junk[101] = 0xEA, junk[102] = 0x90, junk[103] = 0x44;
    start = StartOf(Concat(junk, mp3));
    EXPECT_EQ(start.dataStart, 777u);
    EXPECT_EQ(start.header, first);

    // Nothing that looks like a frame: not found, no exception.
    const std::string text = "Dies ist keine MP3-Datei, nur Text.\n";
    start = StartOf(std::vector<std::uint8_t>(text.begin(), text.end()));
    EXPECT_FALSE(start.frameFound);
    EXPECT_FALSE(StartOf(std::vector<std::uint8_t>(300, 0)).frameFound);
    EXPECT_FALSE(StartOf({}).frameFound);
    EXPECT_FALSE(StartOf({'I', 'D', '3', 0, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F, 0xFF, 0xFB}).frameFound);

    // A RIFF wrapper cut inside its headers is an input/output error.
    EXPECT_THROW(StartOf({'R', 'I', 'F', 'F', 1, 2, 3}), EInOutError);
    EXPECT_THROW(StartOf({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                          40, 0, 0, 0, 1, 2}),
                 EInOutError);
    // RIFF that is not WAVE is searched like any file.
    EXPECT_EQ(StartOf(Concat({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, mp3)).dataStart, 12u);
}

TEST(Mp3Import, DerivesTheFormatFromHeaderOrWrapper) {
    Mp3DataStart s;
    s.header = {0xFF, 0xFB, 0x90, 0x64};  // MPEG-1 L3, 128 kbit/s, 44100, joint stereo
    auto f = DeriveMp3Format(s);
    EXPECT_EQ(f.bitRateKbps, 128u);
    EXPECT_EQ(f.sampleRate, 44100u);
    EXPECT_TRUE(f.stereo);
    s.header = {0xFF, 0xF3, 0x04, 0xC4};  // MPEG-2 L3, free format, 24000, mono
    f = DeriveMp3Format(s);
    EXPECT_EQ(f.bitRateKbps, 8u);  // free format counts as index 1
    EXPECT_EQ(f.sampleRate, 24000u);
    EXPECT_FALSE(f.stereo);
    s.header = {0xFF, 0xE3, 0xE8, 0x80};  // MPEG-2.5 L3, index 14, 8000, dual channel
    f = DeriveMp3Format(s);
    EXPECT_EQ(f.bitRateKbps, 160u);
    EXPECT_EQ(f.sampleRate, 8000u);
    EXPECT_TRUE(f.stereo);
    s.header = {0xFF, 0xFD, 0x10, 0xC0};  // MPEG-1 Layer II index 1
    EXPECT_EQ(DeriveMp3Format(s).bitRateKbps, 32u);
    s.header = {0xFF, 0xF9, 0x00, 0};  // layer 0
    EXPECT_EQ(DeriveMp3Format(s).bitRateKbps, 8u);

    s.riffWrapped = true;
    PutU16(s.wrapperFormat.data(), wfx::nChannels, 1);
    PutU32(s.wrapperFormat.data(), wfx::nSamplesPerSec, 32000);
    PutU32(s.wrapperFormat.data(), wfx::nAvgBytesPerSec, 4001);  // 32.008 kbit/s
    f = DeriveMp3Format(s);
    EXPECT_EQ(f.bitRateKbps, 32u);
    EXPECT_EQ(f.sampleRate, 32000u);
    EXPECT_FALSE(f.stereo);

    EXPECT_FALSE(IsValidFrameHeader(std::array<std::uint8_t, 4>{0xFF, 0xEB, 0x90, 0x44}.data()));  // reserved version
    EXPECT_FALSE(IsValidFrameHeader(std::array<std::uint8_t, 4>{0xFF, 0xF9, 0x90, 0x44}.data()));  // layer 0
    EXPECT_FALSE(IsValidFrameHeader(std::array<std::uint8_t, 4>{0xFF, 0xFB, 0xF0, 0x44}.data()));  // index 15
    EXPECT_FALSE(IsValidFrameHeader(std::array<std::uint8_t, 4>{0xFF, 0xFB, 0x9C, 0x44}.data()));  // rate 3
    EXPECT_FALSE(IsValidFrameHeader(std::array<std::uint8_t, 4>{0xFF, 0xDB, 0x90, 0x44}.data()));  // sync
    EXPECT_TRUE(IsValidFrameHeader(std::array<std::uint8_t, 4>{0xFF, 0xFB, 0x00, 0x44}.data()));   // free format
}

TEST(Mp3Import, ConvertsAwkwardFiles) {
    const auto& mp3 = BaseMp3();
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::vector<std::uint8_t> id3 = {'I', 'D', '3', 4, 0, 0, 0, 0, 1, 0};  // 128-byte tag
    id3.resize(10 + 128, 'T');
    id3.resize(id3.size() + 64, 0);
    files["id3 + padding"] = Concat(id3, mp3);
    files["leading zeros"] = Concat(std::vector<std::uint8_t>(1000, 0), mp3);
    files["junk"] = Concat(std::vector<std::uint8_t>(333, 'x'), mp3);
    files["cut mid-frame"] = std::vector<std::uint8_t>(mp3.begin(), mp3.end() - 150);
    files["free format"] = ToneMp3({44100, 2, 128, 1.0, 1000, true});
    // MP3 data in a RIFF/WAVE file: "fmt " with an MPEG layer-3 format,
    // an empty "fact" chunk, "data" whose bytes start at 66.
    std::vector<std::uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                                      'f', 'm', 't', ' ', 30, 0, 0, 0};
    std::uint8_t fmt[30] = {};
    PutU16(fmt, wfx::wFormatTag, 85);
    PutU16(fmt, wfx::nChannels, 2);
    PutU32(fmt, wfx::nSamplesPerSec, 44100);
    PutU32(fmt, wfx::nAvgBytesPerSec, 16000);
    PutU16(fmt, wfx::nBlockAlign, 1);
    PutU16(fmt, wfx::cbSize, 12);
    riff.insert(riff.end(), fmt, fmt + 30);
    for (char c : std::string("fact\0\0\0\0data", 12)) riff.push_back(static_cast<std::uint8_t>(c));
    riff.resize(riff.size() + 4);
    PutU32(riff.data(), 62, static_cast<std::uint32_t>(mp3.size()));
    ASSERT_EQ(riff.size(), 66u);
    riff = Concat(riff, mp3);
    PutU32(riff.data(), 4, static_cast<std::uint32_t>(riff.size() - 8));
    files["riff wrapper"] = riff;

    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        Harness h;
        ASSERT_EQ(h.convert(bytes), Mp3ConvertResult::Converted);
        const Decoded d = CheckWave(h.wav());
        EXPECT_EQ(d.rate, 44100);
        EXPECT_EQ(d.channels, 2);
        EXPECT_GE(d.frames(), 44100u - 2 * 1152);
        EXPECT_LE(d.frames(), 44100u + 3 * 1152);
        ExpectTone(d, 1000);
    }

    const auto ff = StartOf(files["free format"]);
    EXPECT_EQ(ff.header[2] >> 4, 0);
    const auto rs = StartOf(files["riff wrapper"]);
    EXPECT_TRUE(rs.riffWrapped);
    EXPECT_EQ(rs.dataStart, 66u);
}

TEST(Mp3Import, FilesWithoutAudioAndFilesThatCannotBeOpened) {
    Harness h;
    const std::string text = "kein MP3";
    EXPECT_EQ(h.convert(std::vector<std::uint8_t>(text.begin(), text.end())),
              Mp3ConvertResult::NoFrameHeader);
    EXPECT_TRUE(h.messages.empty());
    EXPECT_FALSE(ReadWaveFile(h.wav()).ok());  // nothing was converted
    EXPECT_FALSE(h.mp3wav.Active());

    // A PCM WAV file named .mp3 goes through the MP3 path as a RIFF-wrapped
    // file; whatever the decoder makes of its data, the result is well-formed.
    const auto tone = Tone(8000, 1, 0.5, 440);
    ASSERT_TRUE(WriteWaveFile(h.dir.file("pcm.mp3"), zirpel::ClipSpan{reinterpret_cast<const std::uint8_t*>(tone.data()), static_cast<std::int32_t>(tone.size() * 2), {8000, false, true}}));
    EXPECT_EQ(h.run(h.dir.file("pcm.mp3")), Mp3ConvertResult::Converted);
    const Decoded pcm = CheckWave(h.wav());
    EXPECT_EQ(pcm.rate, 8000);
    EXPECT_EQ(pcm.channels, 1);

    // A cut RIFF wrapper: the error escapes, the output is gone.
    WriteBytes(h.dir.file("riff.mp3"), {'R', 'I', 'F', 'F', 0, 0});
    EXPECT_THROW(h.run(h.dir.file("riff.mp3")), EInOutError);
    EXPECT_FALSE(std::filesystem::exists(h.wav()));

    EXPECT_EQ(h.run(h.dir.file("missing.mp3")), Mp3ConvertResult::SourceNotOpened);
    EXPECT_FALSE(std::filesystem::exists(h.wav()));
    WriteBytes(h.dir.file("ok.mp3"), BaseMp3());
    EXPECT_EQ(h.run(h.dir.file("ok.mp3"), h.dir.file("no/such")),
              Mp3ConvertResult::DestinationNotCreated);
    EXPECT_EQ(h.messages,
              (std::vector<std::string>{"Konnte Datei nicht öffnen!", "Konnte Ausgabedatei nicht erstellen!"}));
    EXPECT_EQ(h.progress.back(), 0);
}

TEST(Mp3Import, NoCodecInstalled) {
    AcmRegistry none;
    Harness h(none);
    EXPECT_EQ(h.formatCount, 0);
    try {
        h.convert(BaseMp3());
        FAIL() << "no exception";
    } catch (const EACMConvertor& e) {
        EXPECT_STREQ(e.what(), "acmStreamOpen: The requested operation cannot be performed.");
    }
    EXPECT_FALSE(std::filesystem::exists(h.wav()));
    EXPECT_FALSE(h.mp3wav.Active());
}

namespace {

// A file whose first bytes are a frame header and the rest a counting pattern.
std::vector<std::uint8_t> PatternFile(std::size_t size) {
    std::vector<std::uint8_t> b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(i * 31 + 7);
    const std::uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};
    std::copy(header, header + 4, b.begin());
    return b;
}

struct ScriptedHarness {
    std::shared_ptr<FakeDriverState> state = std::make_shared<FakeDriverState>();
    AcmRegistry registry;
    std::unique_ptr<Harness> h;
    ScriptedHarness() {
        registry.add(std::make_shared<FakeDriver>(state));
        h = std::make_unique<Harness>(registry);
    }
};

}  // namespace

TEST(Mp3Import, BlocksFlagsAndRereading) {
    const std::uint32_t S = ACM_STREAMCONVERTF_START, E = ACM_STREAMCONVERTF_END;
    struct Case {
        std::size_t size;
        std::vector<std::uint32_t> flags;
    };
    // An exact multiple of the block size flags no block as the end.
    for (const Case& c : {Case{3072, {S, 0, 0}}, Case{2600, {S, 0, E}}, Case{500, {E}}}) {
        ScriptedHarness s;
        s.state->producePerCall = 8;
        ASSERT_EQ(s.h->convert(PatternFile(c.size)), Mp3ConvertResult::Converted);
        EXPECT_EQ(s.state->convertFlags, c.flags) << c.size;
        EXPECT_EQ(s.h->mp3wav.InputBufferSize(), 1024u);
        const auto wav = ReadBytes(s.h->wav());
        EXPECT_EQ(wav.size(), 44 + 8 * c.flags.size());
        EXPECT_EQ(LE32(wav, 4), wav.size() - 8);
        EXPECT_EQ(s.h->eventRuns, static_cast<int>(c.flags.size()));
    }

    // Bytes the codec leaves are handed to it again, so it sees the whole
    // file once, in order.
    ScriptedHarness s;
    s.state->take = [](std::uint32_t n) { return n > 300 ? 300u : n; };
    const auto file = PatternFile(2500);
    ASSERT_EQ(s.h->convert(file), Mp3ConvertResult::Converted);
    EXPECT_EQ(s.state->consumed, file);
    EXPECT_EQ(s.state->convertFlags.front(), S);
    EXPECT_EQ(s.state->convertFlags.back(), E);
}

TEST(Mp3Import, CodecFailuresDuringTheConversion) {
    {
        // A refused block is skipped, its output kept, and the loop goes on.
        ScriptedHarness s;
        s.state->convertResult = ACMERR_NOTPOSSIBLE;
        s.state->producePerCall = 10;
        ASSERT_EQ(s.h->convert(PatternFile(4000)), Mp3ConvertResult::Converted);
        EXPECT_EQ(ReadBytes(s.h->wav()).size(), 44u + 40);
    }
    {
        // A failed reset ends the command; nothing stays open or behind.
        ScriptedHarness s;
        s.state->resetResult = 1;
        try {
            s.h->convert(PatternFile(4000));
            FAIL() << "no exception";
        } catch (const EACMConvertor& e) {
            EXPECT_STREQ(e.what(), "acmStreamReset raised an unknown error (code #1)");
        }
        EXPECT_FALSE(std::filesystem::exists(s.h->wav()));
        EXPECT_FALSE(s.h->mp3wav.Active());
        EXPECT_EQ(s.state->streamsClosed, s.state->streamsOpened);
    }
    {
        // A convertor already active (a conversion running further out) is
        // left alone by the failing nested one.
        ScriptedHarness s;
        s.h->mp3wav.SetActive(true);
        try {
            s.h->convert(PatternFile(4000));
            FAIL() << "no exception";
        } catch (const EACMConvertor& e) {
            EXPECT_STREQ(e.what(), "You cannot change the buffer size while active.");
        }
        EXPECT_TRUE(s.h->mp3wav.Active());
        EXPECT_FALSE(std::filesystem::exists(s.h->wav()));
    }
}

TEST(Mp3Import, StopRequestEndsWithAWellFormedFile) {
    Harness h;
    const auto mp3 = ToneMp3({44100, 2, 128, 3.0, 1000});
    h.onEvents = [&] {
        if (h.eventRuns == 5) h.stop = true;
    };
    h.stop = true;  // a stale request is cleared when the conversion starts
    ASSERT_EQ(h.convert(mp3), Mp3ConvertResult::Stopped);
    EXPECT_EQ(h.eventRuns, 5);
    const Decoded d = CheckWave(h.wav());
    EXPECT_EQ(d.channels, 2);
    EXPECT_LT(d.frames(), 44100u);
    EXPECT_FALSE(h.mp3wav.Active());
    EXPECT_EQ(h.progress.back(), 0);
}

TEST(Mp3Import, FormatEnumerationAndChoice) {
    // The libmpg123 driver: MPEG layer-3 formats for every MPEG rate.
    std::vector<FormatBlock> formats;
    std::int32_t count = 0;
    int events = 0;
    EnumerateMp3Formats(DefaultAcmRegistry(), formats, count, [&] { ++events; });
    EXPECT_EQ(events, 1);
    ASSERT_EQ(count, static_cast<std::int32_t>(formats.size()));
    EXPECT_EQ(count, 9 * 2 * 14);
    bool has44k128 = false, has8k8 = false;
    for (const FormatBlock& b : formats) {
        ASSERT_EQ(GetU16(b, wfx::wFormatTag), 85);
        EXPECT_EQ(GetU16(b, wfx::cbSize), 12);
        EXPECT_EQ(GetU16(b, wfx::nBlockAlign), 1);
        EXPECT_EQ(GetU16(b, wfx::wID), 1);
        has44k128 |= GetU16(b, wfx::nChannels) == 2 && GetU32(b, wfx::nSamplesPerSec) == 44100 &&
                     GetU32(b, wfx::nAvgBytesPerSec) == 16000 && GetU16(b, wfx::nBlockSize) == 417;
        has8k8 |= GetU16(b, wfx::nChannels) == 1 && GetU32(b, wfx::nSamplesPerSec) == 8000 &&
                  GetU32(b, wfx::nAvgBytesPerSec) == 1000;
    }
    EXPECT_TRUE(has44k128);
    EXPECT_TRUE(has8k8);

    // Every driver is visited, disabled ones included (which, like drivers
    // that do not open, add nothing); only tag 85 is kept.
    auto mp3Only = std::make_shared<FakeDriverState>();
    std::vector<std::uint8_t> mpeg(30, 0), pcm(18, 0);
    PutU16(mpeg.data(), 0, 85);
    PutU16(pcm.data(), 0, 1);
    mp3Only->formats = {pcm, mpeg, pcm};
    auto closed = std::make_shared<FakeDriverState>();
    closed->openDriverResult = MMSYSERR_ERROR;
    closed->formats = {mpeg};
    auto disabled = std::make_shared<FakeDriverState>();
    disabled->formats = {mpeg};
    AcmRegistry reg;
    reg.add(std::make_shared<FakeDriver>(mp3Only));
    reg.add(std::make_shared<FakeDriver>(closed));
    reg.add(std::make_shared<FakeDriver>(disabled), false);
    formats.clear();
    count = 0;
    events = 0;
    EnumerateMp3Formats(reg, formats, count, [&] { ++events; });
    EXPECT_EQ(events, 3);
    EXPECT_EQ(count, 1);

    // Choice: the last matching slot wins; with none, the rest of the stored
    // block stays.
    AcmRegistry none;
    TACMConvertor c(none);
    c.LoadMp3WavStoredValues();
    Mp3StreamFormat f{true, 44100, 128};
    SetConversionFormats(c, f, {}, 0);
    EXPECT_EQ(GetU32(c.ACMFormatIn, wfx::nAvgBytesPerSec), 16000u);
    EXPECT_EQ(GetU16(c.ACMFormatIn, wfx::nBlockSize), 168);
    EXPECT_EQ(GetU16(c.ACMFormatIn, wfx::nCodecDelay), 1393);
    EXPECT_EQ(GetU16(c.ACMFormatOut, wfx::nBlockAlign), 4);
    EXPECT_EQ(GetU32(c.ACMFormatOut, wfx::nAvgBytesPerSec), 176400u);
    EXPECT_EQ(GetU16(c.ACMFormatOut, wfx::cbSize), 0);
    FormatBlock a{}, b{}, other{};
    for (FormatBlock* x : {&a, &b, &other}) {
        PutU16(*x, wfx::wFormatTag, 85);
        PutU16(*x, wfx::nChannels, 2);
        PutU32(*x, wfx::nSamplesPerSec, 44100);
        PutU32(*x, wfx::nAvgBytesPerSec, 16000);
    }
    PutU16(a, wfx::nBlockSize, 100);
    PutU16(b, wfx::nBlockSize, 200);
    PutU32(other, wfx::nAvgBytesPerSec, 16001);
    SetConversionFormats(c, f, {a, b, other}, 3);
    EXPECT_EQ(GetU16(c.ACMFormatIn, wfx::nBlockSize), 200);
    SetConversionFormats(c, f, {a, b, other}, 1);  // only the counted slots
    EXPECT_EQ(GetU16(c.ACMFormatIn, wfx::nBlockSize), 100);
}

TEST(OpenHelpers, TempFileIsCreatedExclusivelyUnderTheFirstFreeName) {
    ScratchDir dir;
    WriteBytes(dir.file("victim"), {9, 9});
    WriteBytes(dir.file("tempwav0.wav"), {1, 2, 3});
    // A link planted under the next name, dangling or not, is never followed.
    std::filesystem::create_symlink(dir.file("victim"), dir.file("tempwav1.wav"));
    std::filesystem::create_symlink(dir.file("nowhere"), dir.file("tempwav2.wav"));
    std::string name;
    {
        TempWaveFile t(dir.path() + "/");
        ASSERT_TRUE(t.Create());
        name = t.name();
        EXPECT_EQ(name, dir.file("tempwav3.wav"));
        EXPECT_EQ(std::filesystem::status(name).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    EXPECT_FALSE(std::filesystem::exists(name));  // gone with its owner
    EXPECT_EQ(ReadBytes(dir.file("tempwav0.wav")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(ReadBytes(dir.file("victim")), (std::vector<std::uint8_t>{9, 9}));
    EXPECT_FALSE(TempWaveFile(dir.file("missing")).Create());

    for (const char* n : {"song.mp3", "SONG.MP3", "Song.Mp3", "/a/b.c/x.mP3"})
        EXPECT_TRUE(IsMp3FileName(n)) << n;
    for (const char* n : {"song.mp3.wav", "song", "/dir.mp3/song", "song.mp", "song.mp3 "})
        EXPECT_FALSE(IsMp3FileName(n)) << n;
}

TEST(Mp3Import, AFullDiskEndsTheImportAndDropsTheTemporaryFile) {
    Harness h;
    WriteBytes(h.dir.file("in.mp3"), ToneMp3({44100, 2, 128, 3.0, 1000}));
    // A file-size limit makes the writes fail as a full disk would, for
    // root too.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Mp3ConvertResult r = h.run(h.dir.file("in.mp3"));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(r, Mp3ConvertResult::CannotWrite);
    EXPECT_EQ(h.messages, (std::vector<std::string>{"Konnte Ausgabedatei nicht schreiben!"}));
    EXPECT_FALSE(h.out->created());
    EXPECT_FALSE(std::filesystem::exists(h.dir.file("tempwav0.wav")));
    EXPECT_FALSE(h.mp3wav.Active());
}

TEST(Mp3Import, ASongLongerThanAClipStopsAtTheLimitAndSaysWhy) {
    Harness h;
    WriteBytes(h.dir.file("in.mp3"), ToneMp3({44100, 2, 128, 3.0, 1000}));
    h.out = std::make_unique<TempWaveFile>(h.dir.path());
    Mp3Codec codec{h.mp3wav, h.formats, h.formatCount};
    // A limit of half a second stands for the clip's 2 GiB.
    EXPECT_EQ(ConvertMP3WAV(h.dir.file("in.mp3"), *h.out, codec, h, 44100 * 4 / 2), Mp3ConvertResult::TooLong);
    EXPECT_LT(*std::max_element(h.progress.begin(), h.progress.end()), 50) << "decoded to the end";
    EXPECT_FALSE(h.out->created());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.dir.path()), {}), 1) << "only in.mp3";
    EXPECT_FALSE(h.mp3wav.Active());
    EXPECT_NE(NoticeFor(Mp3ConvertResult::TooLong).text.find("zu lang"), std::string::npos);
}

TEST(OpenAudioFile, ReadsWavAndMp3AndLeavesNoTemporaryFile) {
    Harness h;
    ScratchDir temp;
    const auto tone = Tone(8000, 1, 0.5, 440);
    ASSERT_TRUE(WriteWaveFile(h.dir.file("a.WAV"),
                              ClipSpan{reinterpret_cast<const std::uint8_t*>(tone.data()),
                                       static_cast<std::int32_t>(tone.size() * 2), {8000, false, true}}));
    Mp3Codec codec{h.mp3wav, h.formats, h.formatCount};
    OpenResult r = OpenAudioFile(h.dir.file("a.WAV"), codec, temp.path(), h);
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.mp3);
    EXPECT_EQ(r.clip.size(), static_cast<std::int32_t>(tone.size() * 2));
    EXPECT_TRUE(NoticesFor(r).empty());

    WriteBytes(h.dir.file("b.Mp3"), ToneMp3({22050, 2, 64, 1.0, 1000}));
    r = OpenAudioFile(h.dir.file("b.Mp3"), codec, temp.path(), h);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.mp3);
    EXPECT_EQ(r.clip.format, (ClipFormat{22050, true, true}));
    EXPECT_GT(r.clip.size(), 22050 * 4 * 9 / 10);
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));

    // Not MPEG audio at all: the empty temporary file is read, refused and deleted.
    WriteBytes(h.dir.file("c.mp3"), {'k', 'e', 'i', 'n'});
    r = OpenAudioFile(h.dir.file("c.mp3"), codec, temp.path(), h);
    EXPECT_FALSE(r.ok());
    ASSERT_EQ(NoticesFor(r).size(), 1u);
    EXPECT_EQ(NoticesFor(r)[0].text, "Konnte Datei nicht öffnen");
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));

    // A missing MP3: the conversion's message first, then the Open command's.
    r = OpenAudioFile(h.dir.file("missing.mp3"), codec, temp.path(), h);
    const auto notices = NoticesFor(r);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].text, "Konnte Datei nicht öffnen!");
    EXPECT_EQ(notices[1].text, "Konnte Datei nicht öffnen");
}

TEST(OpenAudioFile, AnMp3DecodedIntoMemoryIsTheOneReadBackFromTheTemporaryFile) {
    Harness h;
    ScratchDir temp;
    WriteBytes(h.dir.file("b.mp3"), ToneMp3({22050, 2, 64, 1.0, 1000}));
    WriteBytes(h.dir.file("c.mp3"), {'k', 'e', 'i', 'n'});
    Mp3Codec codec{h.mp3wav, h.formats, h.formatCount};
    OpenOptions memory;
    memory.mp3IntoMemory = true;
    for (const char* name : {"b.mp3", "c.mp3", "missing.mp3"}) {
        SCOPED_TRACE(name);
        const OpenResult file = OpenAudioFile(h.dir.file(name), codec, temp.path(), h);
        const OpenResult mem = OpenAudioFile(h.dir.file(name), codec, temp.path(), h, memory);
        EXPECT_EQ(mem.ok(), file.ok());
        EXPECT_EQ(mem.read, file.read);
        EXPECT_EQ(mem.conversion, file.conversion);
        EXPECT_EQ(mem.clip.format, file.clip.format);
        EXPECT_TRUE(mem.clip.bytes == file.clip.bytes);
        ASSERT_EQ(NoticesFor(mem).size(), NoticesFor(file).size());
        for (std::size_t i = 0; i < NoticesFor(mem).size(); ++i) EXPECT_EQ(NoticesFor(mem)[i].text, NoticesFor(file)[i].text);
        EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
    }
}

TEST(OpenAudioFile, RefusesWhatIsNotARegularFileAtOnce) {
    Harness h;
    ScratchDir temp;
    Mp3Codec codec{h.mp3wav, h.formats, h.formatCount};
    std::filesystem::create_directory(h.dir.file("folder.mp3"));
    ASSERT_EQ(::mkfifo(h.dir.file("pipe.mp3").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(h.dir.file("pipe.wav").c_str(), 0600), 0);
    for (const char* name : {"folder.mp3", "pipe.mp3", "pipe.wav"}) {
        SCOPED_TRACE(name);
        const OpenResult r = OpenAudioFile(h.dir.file(name), codec, temp.path(), h);
        EXPECT_FALSE(r.ok());
        ASSERT_EQ(NoticesFor(r).size(), 1u);  // no conversion was tried
        EXPECT_EQ(NoticesFor(r)[0].text, "Konnte Datei nicht öffnen");
    }
    EXPECT_TRUE(h.progress.empty());
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

TEST(Mpg123Driver, SmallOutputBufferTakesLessInputAndLosesNothing) {
    const auto mp3 = ToneMp3({22050, 1, 32, 1.0, 1000});
    FormatBlock src{}, dst{};
    PutU16(src, wfx::wFormatTag, 85);
    PutU16(src, wfx::nChannels, 1);
    PutU32(src, wfx::nSamplesPerSec, 22050);
    PutU16(dst, wfx::wFormatTag, 1);
    PutU16(dst, wfx::nChannels, 1);
    PutU32(dst, wfx::nSamplesPerSec, 22050);
    PutU16(dst, wfx::nBlockAlign, 2);
    PutU16(dst, wfx::wBitsPerSample, 16);

    // Decodes the file in 1024-byte blocks into `outSize`-byte buffers,
    // handing unconsumed bytes in again as the import loop does.
    auto decode = [&](std::uint32_t outSize, int& partialCalls) {
        HACMSTREAM has = nullptr;
        EXPECT_EQ(acmStreamOpen(DefaultAcmRegistry(), &has, nullptr, src, dst, 0), 0u);
        std::uint32_t bound = 0;
        EXPECT_EQ(acmStreamSize(has, 1024, &bound, ACM_STREAMSIZEF_SOURCE), 0u);
        EXPECT_EQ(bound, 1024u * kMpg123OutputPerInputByte + kMpg123OutputMargin);
        std::vector<std::uint8_t> in(1024), out(outSize), pcm;
        ACMSTREAMHEADER h{};
        h.cbStruct = 84;
        h.pbSrc = in.data();
        h.cbSrcLength = 1024;
        h.pbDst = out.data();
        h.cbDstLength = outSize;
        EXPECT_EQ(acmStreamPrepareHeader(has, &h, 0), 0u);
        std::size_t pos = 0;
        while (pos < mp3.size()) {
            const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(1024, mp3.size() - pos));
            std::copy(mp3.begin() + pos, mp3.begin() + pos + n, in.begin());
            h.cbSrcLength = n;
            EXPECT_EQ(acmStreamConvert(has, &h, n < 1024 ? ACM_STREAMCONVERTF_END : 0), 0u);
            EXPECT_GT(h.cbSrcLengthUsed, 0u);
            if (h.cbSrcLengthUsed < n) ++partialCalls;
            EXPECT_EQ(h.cbDstLengthUsed % 2, 0u);
            pos += h.cbSrcLengthUsed;
            pcm.insert(pcm.end(), out.begin(), out.begin() + h.cbDstLengthUsed);
        }
        // Whatever the decoder still holds comes out on the following calls.
        for (int i = 0; i < 100; ++i) {
            h.cbSrcLength = 0;
            EXPECT_EQ(acmStreamConvert(has, &h, ACM_STREAMCONVERTF_END), 0u);
            if (h.cbDstLengthUsed == 0) break;
            pcm.insert(pcm.end(), out.begin(), out.begin() + h.cbDstLengthUsed);
        }
        EXPECT_EQ(acmStreamUnprepareHeader(has, &h, 0), 0u);
        EXPECT_EQ(acmStreamClose(has, 0), 0u);
        return pcm;
    };
    int partialBig = 0, partialSmall = 0;
    const auto full = decode(1024u * kMpg123OutputPerInputByte + kMpg123OutputMargin, partialBig);
    const auto pieces = decode(1152, partialSmall);
    EXPECT_EQ(partialBig, 0);
    EXPECT_GT(partialSmall, 0);
    EXPECT_GE(full.size(), 22050u * 2);
    EXPECT_EQ(pieces, full);
}
