// Turning decoded samples of any width and channel count into the editor's
// clip samples: 16 bit, mono or stereo.
//
// Rounding: a sample x in [-1, 1) becomes x * 32768 rounded to the nearest
// integer (ties to even), limited to -32768..32767. Nothing else is added,
// unless triangular dither is asked for: then a random value with a
// triangular distribution over -1..+1 (the sum of two uniform values of
// half a step each way) is added before rounding, from a fixed seed, so
// the same file always gives the same clip.
//
// More than two channels are mixed to stereo with the ITU-R BS.775 down-mix
// coefficients: front left / right at 1 to their side, centre at 0.7071
// (-3 dB) to both, each surround (side or rear) at 0.7071 to its side, a
// rear centre at 0.5 to both, LFE left out. Other channels (heights,
// ambisonics, unknown) count like a centre. Both rows are then divided by
// the larger row sum (2.4142 for 5.1), so that no mix of full-scale
// channels can clip: the down-mix is quieter than the loudest channel, but
// never distorted.
#pragma once

#include <cstdint>
#include <vector>

namespace zirpel {

// Where a channel of the source plays.
enum class ChannelRole {
    Left, Right, Center, Lfe, SurroundLeft, SurroundRight, RearCenter, Other,
};

// The usual channel order of a file that states none: the WAV / FLAC order
// (front left, front right, centre, LFE, rear left, rear right, side left,
// side right), or the Vorbis order used by Ogg Vorbis and Opus (front left,
// centre, front right, surrounds, LFE last).
std::vector<ChannelRole> DefaultChannelRoles(int channels, bool vorbisOrder);

// Gains of each source channel into the left and right output channel
// (`left[i]`, `right[i]`), normalised as described above.
struct DownmixGains {
    std::vector<double> left;
    std::vector<double> right;
};
DownmixGains StereoDownmix(const std::vector<ChannelRole>& roles);

// Rounds samples to 16 bit as described above.
class SampleQuantizer {
public:
    explicit SampleQuantizer(bool dither) : dither_(dither) {}
    std::int16_t operator()(double x);

private:
    double NextUniform();  // in [0, 1)
    bool dither_;
    std::uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

// Converts `frames` interleaved frames of `channels` channels into 16-bit
// output frames of `outChannels` (1 when channels is 1, else 2), appended
// to `out` (little-endian bytes). Stereo and mono pass through unmixed;
// more channels go through `gains`.
void AppendAsPcm16(const double* in, std::int64_t frames, int channels, const DownmixGains& gains,
                   SampleQuantizer& quantize, std::vector<std::uint8_t>& out);

}  // namespace zirpel
