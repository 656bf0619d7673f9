// Test rig for the command line: a scratch folder with a temporary folder
// of its own, generated clips written as WAV and MP3, RunCli with captured
// output, and the editor's own calls (open as "Öffnen..." does, save as
// the save commands do) to compare the written bytes with.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/RunCli.h"
#include "clip/Clip.h"
#include "codec/ACMConvertor.h"
#include "codec/Acm.h"
#include "codec/Mp3Fixtures.h"
#include "codec/Mp3Import.h"
#include "codec/OpenAudioFile.h"
#include "export/LameEncoder.h"
#include "export/SaveClip.h"
#include "wave/WaveFile.h"

namespace zirpel::test {

// A tone with some noise, so that every effect changes many bytes.
inline Clip MakeClip(std::int32_t rate, bool stereo, bool is16Bit, std::int32_t frames) {
    const ClipFormat f{rate, stereo, is16Bit};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frames) * FrameBytes(f));
    std::uint32_t noise = 12345;
    std::size_t p = 0;
    for (std::int32_t i = 0; i < frames; ++i) {
        for (int ch = 0; ch < (stereo ? 2 : 1); ++ch) {
            noise = noise * 1103515245u + 12345u;
            const double v = std::sin(i * (ch ? 0.031 : 0.047)) * 12000.0 + static_cast<int>(noise >> 22) - 512;
            const auto s = static_cast<std::int16_t>(v);
            if (is16Bit) {
                bytes[p++] = static_cast<std::uint8_t>(s);
                bytes[p++] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8);
            } else {
                bytes[p++] = static_cast<std::uint8_t>((s >> 8) + 128);
            }
        }
    }
    return Clip(std::move(bytes), f);
}

class CliTest : public ::testing::Test {
protected:
    struct Result {
        int code = -1;
        std::string out, err;
    };

    void SetUp() override { std::filesystem::create_directories(tempFolder()); }

    std::string file(const std::string& name) const { return dir_.file(name); }
    std::string tempFolder() const { return dir_.file("tmp"); }
    bool TempFolderEmpty() const { return std::filesystem::is_empty(tempFolder()); }

    std::string WriteWav(const std::string& name, const Clip& clip) const {
        const std::string path = file(name);
        EXPECT_TRUE(WriteWaveFile(path, clip.span()));
        return path;
    }
    // A 16-bit tone encoded by libmp3lame.
    std::string WriteMp3(const std::string& name, int rate, int channels, double seconds) const {
        Mp3Options o;
        o.rate = rate;
        o.channels = channels;
        o.seconds = seconds;
        const std::string path = file(name);
        WriteBytes(path, ToneMp3(o));
        return path;
    }

    Result Run(const std::vector<std::string>& args, bool terminal = false,
               std::function<bool()> stop = {}) {
        std::ostringstream out, err;
        CliEnvironment env{out, err, terminal, tempFolder(), acm::DefaultAcmRegistry(), encoder_,
                           std::move(stop)};
        Result r;
        r.code = cli::RunCli(args, env);
        r.out = out.str();
        r.err = err.str();
        return r;
    }

    // "Öffnen..." as the window does it, its codec set up as at start.
    Clip EditorOpen(const std::string& path) {
        TACMConvertor mp3wav;
        mp3wav.LoadMp3WavStoredValues();
        std::vector<FormatBlock> formats;
        std::int32_t count = 0;
        EnumerateMp3Formats(acm::DefaultAcmRegistry(), formats, count, [] {});
        Mp3Codec codec{mp3wav, formats, count};
        LongTask task;
        OpenResult r = OpenAudioFile(path, codec, tempFolder(), task);
        EXPECT_TRUE(r.ok()) << path;
        return std::move(r.clip);
    }
    void EditorSaveWav(const std::string& path, const Clip& clip) {
        ASSERT_EQ(SaveClipAsWaveFile(path, clip.span()), SaveStatus::Saved);
    }
    void EditorSaveMp3(const std::string& path, const Clip& clip, int rate, int kbps) {
        LameEncoder encoder;
        LongTask task;
        ASSERT_EQ(SaveClipAsMP3File(encoder, path, clip.span(), rate, kbps, task), SaveStatus::Saved);
    }

    static std::vector<std::uint8_t> Bytes(const std::string& path) { return ReadBytes(path); }
    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

    using CliEnvironment = cli::CliEnvironment;
    ScratchDir dir_;
    LameEncoder encoder_;
};

}  // namespace zirpel::test
