#include "codec/PcmConversion.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zirpel {
namespace {

constexpr double kMinus3dB = 0.70710678118654752;  // 1 / sqrt(2)

using R = ChannelRole;

}  // namespace

std::vector<ChannelRole> DefaultChannelRoles(int channels, bool vorbisOrder) {
    if (channels <= 0) return {};
    if (channels == 1) return {R::Center};
    std::vector<ChannelRole> roles;
    if (vorbisOrder) {
        switch (channels) {
            case 2: roles = {R::Left, R::Right}; break;
            case 3: roles = {R::Left, R::Center, R::Right}; break;
            case 4: roles = {R::Left, R::Right, R::SurroundLeft, R::SurroundRight}; break;
            case 5: roles = {R::Left, R::Center, R::Right, R::SurroundLeft, R::SurroundRight}; break;
            case 6: roles = {R::Left, R::Center, R::Right, R::SurroundLeft, R::SurroundRight, R::Lfe}; break;
            case 7:
                roles = {R::Left, R::Center, R::Right, R::SurroundLeft, R::SurroundRight, R::RearCenter, R::Lfe};
                break;
            default:
                roles = {R::Left, R::Center, R::Right, R::SurroundLeft, R::SurroundRight,
                         R::SurroundLeft, R::SurroundRight, R::Lfe};
                break;
        }
    } else {
        static constexpr ChannelRole kWave[] = {R::Left, R::Right, R::Center, R::Lfe,
                                                R::SurroundLeft, R::SurroundRight,
                                                R::SurroundLeft, R::SurroundRight};
        switch (channels) {
            case 2: roles = {R::Left, R::Right}; break;
            case 3: roles = {R::Left, R::Right, R::Center}; break;
            case 4: roles = {R::Left, R::Right, R::SurroundLeft, R::SurroundRight}; break;
            case 5: roles = {R::Left, R::Right, R::Center, R::SurroundLeft, R::SurroundRight}; break;
            case 7:
                roles = {R::Left, R::Right, R::Center, R::Lfe, R::RearCenter, R::SurroundLeft,
                         R::SurroundRight};
                break;
            default: roles.assign(std::begin(kWave), std::end(kWave)); break;
        }
    }
    roles.resize(static_cast<std::size_t>(channels), R::Other);
    return roles;
}

DownmixGains StereoDownmix(const std::vector<ChannelRole>& roles) {
    DownmixGains g;
    for (const ChannelRole role : roles) {
        double l = kMinus3dB, r = kMinus3dB;  // centre and everything unknown
        switch (role) {
            case R::Left: l = 1.0, r = 0.0; break;
            case R::Right: l = 0.0, r = 1.0; break;
            case R::SurroundLeft: r = 0.0; break;
            case R::SurroundRight: l = 0.0; break;
            case R::RearCenter: l = r = kMinus3dB * kMinus3dB; break;
            case R::Lfe: l = r = 0.0; break;
            case R::Center:
            case R::Other: break;
        }
        g.left.push_back(l);
        g.right.push_back(r);
    }
    double sumL = 0, sumR = 0;
    for (std::size_t i = 0; i < roles.size(); ++i) sumL += g.left[i], sumR += g.right[i];
    const double norm = std::max({sumL, sumR, 1.0});
    for (std::size_t i = 0; i < roles.size(); ++i) g.left[i] /= norm, g.right[i] /= norm;
    return g;
}

double SampleQuantizer::NextUniform() {
    // xorshift64*: plenty for dither, and the same sequence on every run.
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<double>((state_ * 0x2545F4914F6CDD1Dull) >> 11) * 0x1.0p-53;
}

std::int16_t SampleQuantizer::operator()(double x) {
    double v = x * 32768.0;
    if (std::isnan(v)) return 0;
    if (dither_) v += NextUniform() - NextUniform();
    v = std::nearbyint(v);  // the default rounding mode: to nearest, ties to even
    return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}

void AppendAsPcm16(const double* in, std::int64_t frames, int channels, const DownmixGains& gains,
                   SampleQuantizer& quantize, std::vector<std::uint8_t>& out) {
    const int outChannels = channels == 1 ? 1 : 2;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(frames) * outChannels * 2);
    std::uint8_t* p = out.data() + start;
    auto put = [&p](std::int16_t s) {
        const auto u = static_cast<std::uint16_t>(s);
        p[0] = static_cast<std::uint8_t>(u & 0xFF);
        p[1] = static_cast<std::uint8_t>(u >> 8);
        p += 2;
    };
    for (std::int64_t f = 0; f < frames; ++f, in += channels) {
        if (channels <= 2) {
            for (int c = 0; c < channels; ++c) put(quantize(in[c]));
            continue;
        }
        double l = 0, r = 0;
        for (int c = 0; c < channels; ++c) l += gains.left[c] * in[c], r += gains.right[c] * in[c];
        put(quantize(l));
        put(quantize(r));
    }
}

}  // namespace zirpel
