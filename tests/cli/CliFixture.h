// Test rig for the command line: a scratch folder with a temporary folder
// of its own, generated clips, RunCli with captured output, and the
// editor's own calls (open as "Öffnen..." does, save as the save commands
// do) to compare the written bytes with.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "cli/RunCli.h"
#include "codec/Mp3Fixtures.h"
#include "codec/OpenAudioFile.h"
#include "export/LameEncoder.h"
#include "export/SaveClip.h"

namespace zirpel::test {

// A tone with some noise, so that every effect changes many bytes.
inline Clip MakeClip(std::int32_t rate, bool stereo, bool is16Bit, std::int32_t frames) {
    const ClipFormat f{rate, stereo, is16Bit};
    std::vector<std::uint8_t> bytes;
    std::uint32_t noise = 12345;
    for (std::int32_t i = 0; i < frames * (stereo ? 2 : 1); ++i) {
        noise = noise * 1103515245u + 12345u;
        const auto s = static_cast<std::int16_t>(std::sin(i * 0.047) * 12000.0 + (noise >> 22) - 512.0);
        if (is16Bit) bytes.push_back(static_cast<std::uint8_t>(s));
        bytes.push_back(static_cast<std::uint8_t>(is16Bit ? s >> 8 : (s >> 8) + 128));
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
    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }
    static std::vector<std::uint8_t> Bytes(const std::string& path) { return ReadBytes(path); }

    std::string WriteWav(const std::string& name, const Clip& clip) const {
        EXPECT_TRUE(WriteWaveFile(file(name), clip.span()));
        return file(name);
    }
    std::string WriteMp3(const std::string& name, int rate, int channels, double seconds) const {
        WriteBytes(file(name), ToneMp3({rate, channels, 128, seconds, 1000.0, false}));
        return file(name);
    }

    Result Run(const std::vector<std::string>& args, bool terminal = false,
               std::function<bool()> stop = {}) {
        std::ostringstream out, err;
        cli::CliEnvironment env{out, err, terminal, tempFolder(), acm::DefaultAcmRegistry(), encoder_,
                                std::move(stop)};
        const int code = cli::RunCli(args, env);
        return {code, out.str(), err.str()};
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
    void EditorSaveMp3(const std::string& path, const Clip& clip, int rate, int kbps) {
        LongTask task;
        ASSERT_EQ(SaveClipAsMP3File(encoder_, path, clip.span(), rate, kbps, task), SaveStatus::Saved);
    }

    ScratchDir dir_;
    LameEncoder encoder_;
};

}  // namespace zirpel::test
