// Test material for the MP3 import: tones encoded to MP3 with libmp3lame,
// byte-level file helpers, a scratch folder, and a frequency estimate.
#pragma once

#include <lame/lame.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace zirpel::test {

// Interleaved 16-bit tone; the right channel (if any) at half amplitude so
// a swapped or dropped channel shows.
inline std::vector<std::int16_t> Tone(int rate, int channels, double seconds, double frequency) {
    const auto frames = static_cast<std::size_t>(rate * seconds);
    std::vector<std::int16_t> pcm(frames * channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = std::sin(2.0 * M_PI * frequency * static_cast<double>(i) / rate);
        pcm[i * channels] = static_cast<std::int16_t>(16000 * v);
        if (channels == 2) pcm[i * 2 + 1] = static_cast<std::int16_t>(8000 * v);
    }
    return pcm;
}

struct Mp3Options {
    int rate = 44100;
    int channels = 2;
    int kbps = 128;
    double seconds = 1.0;
    double frequency = 1000.0;
    bool freeFormat = false;
};

inline std::vector<std::uint8_t> EncodeMp3(const std::vector<std::int16_t>& pcm, const Mp3Options& o) {
    lame_t g = lame_init();
    lame_set_in_samplerate(g, o.rate);
    lame_set_out_samplerate(g, o.rate);
    lame_set_num_channels(g, o.channels);
    lame_set_mode(g, o.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_VBR(g, vbr_off);
    lame_set_brate(g, o.kbps);
    lame_set_free_format(g, o.freeFormat ? 1 : 0);
    lame_set_bWriteVbrTag(g, 0);
    lame_set_quality(g, 7);
    if (lame_init_params(g) < 0) {
        lame_close(g);
        throw std::runtime_error("lame_init_params failed");
    }
    const int frames = static_cast<int>(pcm.size() / o.channels);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(frames * 5 / 4 + 7200) * 2);
    int n = 0;
    if (o.channels == 2) {
        n = lame_encode_buffer_interleaved(g, const_cast<short*>(pcm.data()), frames, out.data(),
                                           static_cast<int>(out.size()));
    } else {
        n = lame_encode_buffer(g, pcm.data(), pcm.data(), frames, out.data(),
                               static_cast<int>(out.size()));
    }
    if (n < 0) {
        lame_close(g);
        throw std::runtime_error("lame encode failed");
    }
    const int m = lame_encode_flush(g, out.data() + n, static_cast<int>(out.size()) - n);
    lame_close(g);
    if (m < 0) throw std::runtime_error("lame flush failed");
    out.resize(static_cast<std::size_t>(n + m));
    return out;
}

inline std::vector<std::uint8_t> ToneMp3(const Mp3Options& o) {
    return EncodeMp3(Tone(o.rate, o.channels, o.seconds, o.frequency), o);
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline std::uint32_t LE32(const std::vector<std::uint8_t>& b, std::size_t off) {
    return b[off] | (b[off + 1] << 8) | (b[off + 2] << 16) | (static_cast<std::uint32_t>(b[off + 3]) << 24);
}
inline std::uint16_t LE16(const std::vector<std::uint8_t>& b, std::size_t off) {
    return static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8));
}

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the test.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zirpel-codec-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Frequency of a tone from the zero crossings of one channel, measured over
// the middle half of the samples to keep clear of the codec's edges.
inline double ToneFrequency(const std::int16_t* pcm, std::size_t frames, int channels, int channel,
                            int rate) {
    const std::size_t from = frames / 4, to = frames * 3 / 4;
    std::size_t crossings = 0;
    for (std::size_t i = from + 1; i < to; ++i) {
        const int a = pcm[(i - 1) * channels + channel], b = pcm[i * channels + channel];
        if ((a < 0) != (b < 0)) ++crossings;
    }
    return crossings / 2.0 * rate / static_cast<double>(to - from);
}

inline double Rms(const std::int16_t* pcm, std::size_t frames, int channels, int channel) {
    double sum = 0;
    const std::size_t from = frames / 4, to = frames * 3 / 4;
    for (std::size_t i = from; i < to; ++i) {
        const double v = pcm[i * channels + channel];
        sum += v * v;
    }
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

}  // namespace zirpel::test
