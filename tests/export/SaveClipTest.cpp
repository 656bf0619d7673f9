// The MP3 save loop against a recording fake encoder: the record it fills,
// how it cuts the clip into chunks, the widening of 8-bit clips, progress,
// and every way it can fail.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "export/FakeEncoder.h"
#include "export/SaveClip.h"

namespace zirpel {
namespace {

using test::FakeEncoder;

LongTask quiet;  // no progress wanted

// Records the progress a save reports.
struct ProgressLog : LongTask {
    std::vector<std::int32_t> values;
    void Progress(std::int32_t p) override { values.push_back(p); }
};

class MemorySink : public ByteSink {
public:
    std::vector<std::uint8_t> bytes;
    int writes = 0;
    int failAtWrite = -1;  // index of the write that fails
    bool write(const void* data, std::size_t size) override {
        if (writes++ == failAtWrite) return false;
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
        return true;
    }
};

std::vector<std::uint8_t> Le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

// The record as the encoder interface expects it, built field by field.
std::vector<std::uint8_t> ExpectedConfig(std::uint32_t inRate, std::uint32_t outRate,
                                         std::uint32_t mode, std::uint32_t kbps) {
    std::vector<std::uint8_t> b;
    for (std::uint32_t v : {256u, 1u, 332u, inRate, outRate, mode, kbps, kbps, 2u, 1u, 0u, 0u,
                            0u, 0u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0u, 0u, 0u}) {
        const auto le = Le32(v);
        b.insert(b.end(), le.begin(), le.end());
    }
    b.resize(332, 0);
    return b;
}

std::vector<std::uint8_t> Stereo16Clip(std::size_t bytes) {
    std::vector<std::uint8_t> d(bytes);
    for (std::size_t i = 0; i < bytes; ++i) d[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    return d;
}

std::vector<std::int16_t> AsInt16(const std::uint8_t* p, std::size_t count) {
    std::vector<std::int16_t> v(count);
    std::memcpy(v.data(), p, count * 2);
    return v;
}

TEST(EncodeClipToMP3, RecordForStereoAndMonoClips) {
    // Stereo 16-bit clip with the lists' initial choices.
    {
        FakeEncoder enc;
        MemorySink sink;
        const auto data = Stereo16Clip(400);
        const ClipSpan clip{data.data(), 400, {44100, true, true}};
        ASSERT_EQ(EncodeClipToMP3(enc, clip, 44100, 128, sink, quiet), SaveStatus::Saved);
        EXPECT_EQ(enc.configBytes, ExpectedConfig(44100, 44100, 0, 128));
    }
    // Mono 8-bit clip at 8000 Hz saved with 48000 / 8: the program passes
    // both rates and leaves the resampling to the encoder.
    {
        FakeEncoder enc;
        MemorySink sink;
        const std::vector<std::uint8_t> data(100, 128);
        const ClipSpan clip{data.data(), 100, {8000, false, false}};
        ASSERT_EQ(EncodeClipToMP3(enc, clip, 48000, 8, sink, quiet), SaveStatus::Saved);
        EXPECT_EQ(enc.configBytes, ExpectedConfig(8000, 48000, 3, 8));
    }
}

TEST(EncodeClipToMP3, StereoClipInChunksOfAtMost5000Bytes) {
    FakeEncoder enc;
    MemorySink sink;
    const auto data = Stereo16Clip(12000);
    const ClipSpan clip{data.data(), 12000, {44100, true, true}};
    ProgressLog progress;
    ASSERT_EQ(EncodeClipToMP3(enc, clip, 44100, 128, sink,
                              progress),
              SaveStatus::Saved);

    ASSERT_EQ(enc.chunks.size(), 3u);
    EXPECT_EQ(enc.chunks[0], AsInt16(data.data(), 2500));
    EXPECT_EQ(enc.chunks[1], AsInt16(data.data() + 5000, 2500));
    EXPECT_EQ(enc.chunks[2], AsInt16(data.data() + 10000, 1000));
    EXPECT_EQ(progress.values, (std::vector<std::int32_t>{0, 41, 83, 0}));
    EXPECT_EQ(enc.calls, (std::vector<std::string>{"init", "chunk", "chunk", "chunk", "deinit",
                                                   "close"}));

    // The file holds each chunk's output in order, then the flush's bytes.
    std::vector<std::uint8_t> expected;
    for (std::size_t i = 0; i < 3; ++i) {
        const auto b = FakeEncoder::ChunkBytes(i, enc.chunks[i]);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    expected.insert(expected.end(), enc.flushBytes.begin(), enc.flushBytes.end());
    EXPECT_EQ(sink.bytes, expected);
}

TEST(EncodeClipToMP3, EightBitClipIsWidenedAndChunkedAsSixteenBit) {
    {
        FakeEncoder enc;
        MemorySink sink;
        const std::vector<std::uint8_t> data{0, 128, 255};
        const ClipSpan clip{data.data(), 3, {11025, false, false}};
        ASSERT_EQ(EncodeClipToMP3(enc, clip, 11025, 8, sink, quiet), SaveStatus::Saved);
        ASSERT_EQ(enc.chunks.size(), 1u);
        EXPECT_EQ(enc.chunks[0], (std::vector<std::int16_t>{-32768, 0, 32512}));
    }
    // 3000 bytes become 6000 bytes of encoder input: 2500 + 500 values.
    {
        FakeEncoder enc;
        MemorySink sink;
        std::vector<std::uint8_t> data(3000);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
        const ClipSpan clip{data.data(), 3000, {22050, true, false}};
        ProgressLog progress;
        ASSERT_EQ(EncodeClipToMP3(enc, clip, 22050, 32, sink,
                                  progress),
                  SaveStatus::Saved);
        ASSERT_EQ(enc.chunks.size(), 2u);
        EXPECT_EQ(enc.chunks[0].size(), 2500u);
        EXPECT_EQ(enc.chunks[1].size(), 500u);
        EXPECT_EQ(enc.chunks[1][0], (2500 % 256 - 128) * 256);
        EXPECT_EQ(progress.values, (std::vector<std::int32_t>{0, 83, 0}));
    }
}

TEST(EncodeClipToMP3, EmptyClipGivesOnlyTheFlushBytes) {
    FakeEncoder enc;
    MemorySink sink;
    ProgressLog progress;
    const ClipSpan clip{nullptr, 0, {44100, true, true}};
    ASSERT_EQ(EncodeClipToMP3(enc, clip, 44100, 128, sink,
                              progress),
              SaveStatus::Saved);
    EXPECT_TRUE(enc.chunks.empty());
    EXPECT_EQ(sink.bytes, enc.flushBytes);
    EXPECT_EQ(progress.values, (std::vector<std::int32_t>{0}));
    EXPECT_EQ(enc.openStreams, 0);
}

TEST(EncodeClipToMP3, ProgressOfALongClipIsComputedWithoutOverflow) {
    // 30,000,000 bytes: pos * 100 leaves the 32-bit range after 21.5 MB.
    FakeEncoder enc;
    MemorySink sink;
    const std::vector<std::uint8_t> data(30'000'000, 0);
    const ClipSpan clip{data.data(), static_cast<std::int32_t>(data.size()), {44100, true, true}};
    ProgressLog progress;
    ASSERT_EQ(EncodeClipToMP3(enc, clip, 44100, 128, sink,
                              progress),
              SaveStatus::Saved);
    ASSERT_EQ(progress.values.size(), 6001u);
    EXPECT_EQ(progress.values[5000], 83);  // pos 25,000,000
    EXPECT_EQ(progress.values[5999], 99);
    EXPECT_EQ(progress.values.back(), 0);
    for (std::size_t i = 1; i + 1 < progress.values.size(); ++i) ASSERT_GE(progress.values[i], progress.values[i - 1]);
}

TEST(EncodeClipToMP3, FailuresCloseTheStreamAndCarryTheirMessages) {
    const auto data = Stereo16Clip(12000);
    const ClipSpan clip{data.data(), 12000, {44100, true, true}};

    // The encoder refuses the settings: nothing is encoded or written.
    {
        FakeEncoder enc;
        enc.initResult = BE_ERR_INVALID_FORMAT_PARAMETERS;
        MemorySink sink;
        ProgressLog progress;
        EXPECT_EQ(EncodeClipToMP3(enc, clip, 44100, 128, sink, progress),
                  SaveStatus::EncoderInitFailed);
        EXPECT_EQ(enc.calls, std::vector<std::string>{"init"});
        EXPECT_TRUE(sink.bytes.empty());
        EXPECT_TRUE(progress.values.empty());
        const Notice n = NoticeFor(SaveStatus::EncoderInitFailed);
        EXPECT_EQ(n.text, "Konnte LAME Encoder nicht initialisieren...");
        EXPECT_EQ(n.style, NoticeStyle::Plain);
    }
    // The second chunk fails: error text, stream closed, progress left standing.
    {
        FakeEncoder enc;
        enc.failChunk = 1;
        MemorySink sink;
        ProgressLog progress;
        try {
            EncodeClipToMP3(enc, clip, 44100, 128, sink,
                            progress);
            FAIL() << "no error";
        } catch (const EMP3Encoder& e) {
            EXPECT_STREQ(e.what(), "Fehler beim MP3 Codieren");
        }
        EXPECT_EQ(enc.calls, (std::vector<std::string>{"init", "chunk", "chunk", "close"}));
        EXPECT_EQ(progress.values, (std::vector<std::int32_t>{0, 41}));
        EXPECT_EQ(sink.bytes, FakeEncoder::ChunkBytes(0, enc.chunks[0]));
    }
    // The flush fails.
    {
        FakeEncoder enc;
        enc.deinitResult = BE_ERR_INVALID_HANDLE;
        MemorySink sink;
        try {
            EncodeClipToMP3(enc, clip, 44100, 128, sink, quiet);
            FAIL() << "no error";
        } catch (const EMP3Encoder& e) {
            EXPECT_STREQ(e.what(), "Echec à la sortie");
        }
        EXPECT_EQ(enc.openStreams, 0);
        EXPECT_EQ(enc.calls.back(), "close");
    }
    // Writing an encoded block fails (disk full): the save stops as a
    // failure right there instead of going on and reporting success.
    {
        FakeEncoder enc;
        MemorySink sink;
        sink.failAtWrite = 1;
        EXPECT_EQ(EncodeClipToMP3(enc, clip, 44100, 128, sink, quiet), SaveStatus::CannotWrite);
        EXPECT_EQ(enc.calls, (std::vector<std::string>{"init", "chunk", "chunk", "close"}));
        const Notice n = NoticeFor(SaveStatus::CannotWrite);
        EXPECT_EQ(n.text, "Konnte Datei nicht speichern");
        EXPECT_EQ(n.style, NoticeStyle::ErrorIcon);
    }
    // A written count beyond the buffer it reported is an encoding error,
    // never a read past the buffer.
    {
        FakeEncoder enc;
        enc.overstateWritten = 100;
        MemorySink sink;
        EXPECT_THROW(EncodeClipToMP3(enc, clip, 44100, 128, sink, quiet), EMP3Encoder);
        EXPECT_EQ(enc.openStreams, 0);
    }
}

}  // namespace
}  // namespace zirpel
