// Builds small RIFF files byte by byte for the WAV reader tests, including
// deliberately malformed ones, and gives each test its own temporary folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

namespace zirpel::test {

class WavBuilder {
public:
    WavBuilder& Id(const char* fourcc) {
        bytes_.insert(bytes_.end(), fourcc, fourcc + 4);
        return *this;
    }
    WavBuilder& U16(std::uint16_t v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
        return *this;
    }
    WavBuilder& U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    WavBuilder& Bytes(const std::vector<std::uint8_t>& b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    WavBuilder& Zeros(std::size_t count) {
        bytes_.insert(bytes_.end(), count, 0);
        return *this;
    }
    // "RIFF" <size> "WAVE"; the size is patched by Finish() unless given.
    WavBuilder& RiffWave(std::uint32_t size = kPatch) {
        riffSizeAt_ = bytes_.size() + 4;
        riffSize_ = size;
        return Id("RIFF").U32(0).Id("WAVE");
    }
    // A 16-byte PCM-style format block (nAvgBytesPerSec/nBlockAlign derived),
    // in a "fmt " chunk of `chunkSize` bytes (extra bytes are zero).
    WavBuilder& Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                    std::uint16_t bits, std::uint32_t chunkSize = 16) {
        const std::uint16_t align = static_cast<std::uint16_t>(channels * (bits / 8));
        Id("fmt ").U32(chunkSize).U16(tag).U16(channels).U32(rate).U32(rate * align).U16(align).U16(bits);
        if (chunkSize > 16) Zeros(chunkSize - 16 + (chunkSize & 1));
        return *this;
    }
    WavBuilder& Chunk(const char* id, const std::vector<std::uint8_t>& payload) {
        Id(id).U32(static_cast<std::uint32_t>(payload.size())).Bytes(payload);
        if (payload.size() & 1) bytes_.push_back(0);
        return *this;
    }
    // A chunk header claiming `declaredSize` with only `payload` behind it.
    WavBuilder& ChunkHeader(const char* id, std::uint32_t declaredSize) {
        return Id(id).U32(declaredSize);
    }

    std::vector<std::uint8_t> Finish() const {
        std::vector<std::uint8_t> out = bytes_;
        if (riffSizeAt_ != kNone) {
            const std::uint32_t size = riffSize_ == kPatch
                                           ? static_cast<std::uint32_t>(out.size() - riffSizeAt_ - 4)
                                           : riffSize_;
            for (int i = 0; i < 4; ++i) out[riffSizeAt_ + i] = static_cast<std::uint8_t>(size >> (8 * i));
        }
        return out;
    }

private:
    static constexpr std::uint32_t kPatch = 0xFFFFFFFFu - 1;  // unlikely as a test value
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::uint8_t> bytes_;
    std::size_t riffSizeAt_ = kNone;
    std::uint32_t riffSize_ = kPatch;
};

// A fresh folder per test, removed afterwards.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& ch : name)
            if (ch == '/') ch = '_';
        dir_ = std::filesystem::temp_directory_path() /
               ("zirpel_wave_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const std::string p = Path(name);
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p;
    }
    static std::vector<std::uint8_t> ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir_;
};

}  // namespace zirpel::test
