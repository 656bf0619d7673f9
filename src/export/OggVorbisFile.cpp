#include "export/OggVorbisFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <samplerate.h>
#include <vorbis/vorbisenc.h>

#include "clip/RuntimeLibrary.h"
#include "clip/Samples.h"
#include "export/SafeFile.h"

namespace zirpel {
namespace {

// libvorbisenc, opened with the first Ogg Vorbis save; libvorbis and libogg,
// which it brings, answer for their own entry points.
#define ZIRPEL_VORBIS_ENTRY_POINTS(X) \
    X(ogg_stream_clear) X(ogg_stream_flush) X(ogg_stream_init) X(ogg_stream_packetin) \
    X(ogg_stream_pageout) X(vorbis_analysis) X(vorbis_analysis_blockout) X(vorbis_analysis_buffer) \
    X(vorbis_analysis_headerout) X(vorbis_analysis_init) X(vorbis_analysis_wrote) \
    X(vorbis_bitrate_addblock) X(vorbis_bitrate_flushpacket) X(vorbis_block_clear) \
    X(vorbis_block_init) X(vorbis_comment_clear) X(vorbis_comment_init) X(vorbis_dsp_clear) \
    X(vorbis_encode_ctl) X(vorbis_encode_setup_init) X(vorbis_encode_setup_managed) \
    X(vorbis_info_clear) X(vorbis_info_init)
ZIRPEL_RUNTIME_LIBRARY(VorbisLibrary, LoadVorbis, "libvorbisenc.so.2", ZIRPEL_VORBIS_ENTRY_POINTS)
// The entry points, once LoadVorbis() has succeeded.
const VorbisLibrary& Vorbis() { return *LoadVorbis(); }

// libsamplerate, opened with the first Ogg Vorbis save that resamples.
#define ZIRPEL_SAMPLERATE_ENTRY_POINTS(X) \
    X(src_delete) X(src_is_valid_ratio) X(src_new) X(src_process)
ZIRPEL_RUNTIME_LIBRARY(SampleRateLibrary, LoadSampleRate, "libsamplerate.so.0", ZIRPEL_SAMPLERATE_ENTRY_POINTS)
// The entry points, once LoadSampleRate() has succeeded.
const SampleRateLibrary& SampleRate() { return *LoadSampleRate(); }

constexpr std::int32_t kBlockFrames = 4096;

bool Accepts(int channels, std::int32_t rate, std::int32_t kbps) {
    vorbis_info vi;
    Vorbis().vorbis_info_init(&vi);
    const bool ok = Vorbis().vorbis_encode_setup_managed(&vi, channels, rate, -1, kbps * 1000L, -1) == 0;
    Vorbis().vorbis_info_clear(&vi);
    return ok;
}

// Every libvorbis and libogg object of one encoding, released in order.
class VorbisStream {
public:
    VorbisStream() {
        Vorbis().vorbis_info_init(&vi);
        Vorbis().vorbis_comment_init(&vc);
    }
    ~VorbisStream() {
        if (streamInit) Vorbis().ogg_stream_clear(&os);
        if (blockInit) Vorbis().vorbis_block_clear(&vb);
        if (dspInit) Vorbis().vorbis_dsp_clear(&vd);
        Vorbis().vorbis_comment_clear(&vc);
        Vorbis().vorbis_info_clear(&vi);
    }
    VorbisStream(const VorbisStream&) = delete;
    VorbisStream& operator=(const VorbisStream&) = delete;

    bool Init(int channels, std::int32_t rate, std::int32_t kbps, int serial) {
        if (Vorbis().vorbis_encode_setup_managed(&vi, channels, rate, -1, kbps * 1000L, -1) != 0) return false;
        // No hard bit-rate management: the nominal rate picks the quality.
        if (Vorbis().vorbis_encode_ctl(&vi, OV_ECTL_RATEMANAGE2_SET, nullptr) != 0) return false;
        if (Vorbis().vorbis_encode_setup_init(&vi) != 0) return false;
        if (Vorbis().vorbis_analysis_init(&vd, &vi) != 0) return false;
        dspInit = true;
        if (Vorbis().vorbis_block_init(&vd, &vb) != 0) return false;
        blockInit = true;
        if (Vorbis().ogg_stream_init(&os, serial) != 0) return false;
        streamInit = true;
        return true;
    }

    // The three header packets, each header page on its own as the format asks.
    bool WriteHeaders(ByteSink& out) {
        ogg_packet id, comment, codebook;
        if (Vorbis().vorbis_analysis_headerout(&vd, &vc, &id, &comment, &codebook) != 0) return false;
        Vorbis().ogg_stream_packetin(&os, &id);
        Vorbis().ogg_stream_packetin(&os, &comment);
        Vorbis().ogg_stream_packetin(&os, &codebook);
        ogg_page page;
        while (Vorbis().ogg_stream_flush(&os, &page) != 0)
            if (!WritePage(out, page)) return false;
        return true;
    }

    // `frames` interleaved float frames (or the end of the stream, frames = 0).
    bool Encode(const float* in, long frames, int channels, ByteSink& out) {
        if (frames > 0) {
            float** buffer = Vorbis().vorbis_analysis_buffer(&vd, static_cast<int>(frames));
            for (long f = 0; f < frames; ++f)
                for (int c = 0; c < channels; ++c) buffer[c][f] = in[f * channels + c];
        }
        Vorbis().vorbis_analysis_wrote(&vd, static_cast<int>(frames));
        while (Vorbis().vorbis_analysis_blockout(&vd, &vb) == 1) {
            Vorbis().vorbis_analysis(&vb, nullptr);
            Vorbis().vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (Vorbis().vorbis_bitrate_flushpacket(&vd, &packet) == 1) {
                Vorbis().ogg_stream_packetin(&os, &packet);
                ogg_page page;
                while (Vorbis().ogg_stream_pageout(&os, &page) != 0)
                    if (!WritePage(out, page)) return false;
            }
        }
        return true;
    }

    bool Finish(ByteSink& out) {
        if (!Encode(nullptr, 0, 0, out)) return false;
        ogg_page page;
        while (Vorbis().ogg_stream_flush(&os, &page) != 0)
            if (!WritePage(out, page)) return false;
        return true;
    }

private:
    static bool WritePage(ByteSink& out, const ogg_page& page) {
        return out.write(page.header, static_cast<std::size_t>(page.header_len)) &&
               out.write(page.body, static_cast<std::size_t>(page.body_len));
    }

    vorbis_info vi;
    vorbis_comment vc;
    vorbis_dsp_state vd{};
    vorbis_block vb{};
    ogg_stream_state os{};
    bool dspInit = false, blockInit = false, streamInit = false;
};

// libsamplerate's best converter over a stream fed block by block.
class Resampler {
public:
    Resampler(int channels, double ratio) : channels_(channels), ratio_(ratio) {
        int error = 0;
        if (LoadSampleRate() && SampleRate().src_is_valid_ratio(ratio)) state_ = SampleRate().src_new(SRC_SINC_BEST_QUALITY, channels, &error);
    }
    ~Resampler() {
        if (state_) SampleRate().src_delete(state_);
    }
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;
    bool ok() const { return state_ != nullptr; }

    // Converts `frames` frames (all of them), replacing `out` by the result.
    bool Process(const float* in, long frames, bool last, std::vector<float>& out) {
        out.clear();
        const long room = static_cast<long>(std::ceil(frames * ratio_)) + 256;
        std::vector<float> piece(static_cast<std::size_t>(room * channels_));
        for (;;) {
            SRC_DATA d{};
            d.data_in = in;
            d.input_frames = frames;
            d.data_out = piece.data();
            d.output_frames = room;
            d.end_of_input = last ? 1 : 0;
            d.src_ratio = ratio_;
            if (SampleRate().src_process(state_, &d) != 0) return false;
            out.insert(out.end(), piece.begin(), piece.begin() + d.output_frames_gen * channels_);
            in += d.input_frames_used * channels_;
            frames -= d.input_frames_used;
            if (frames == 0 && (!last || d.output_frames_gen == 0)) return true;
        }
    }

private:
    int channels_;
    double ratio_;
    SRC_STATE* state_ = nullptr;
};

// A stream serial number that differs between clips but not between runs,
// so that the same clip always gives the same file.
int SerialFor(const ClipSpan& clip) {
    std::uint32_t h = 2166136261u ^ static_cast<std::uint32_t>(clip.size);
    const std::int32_t n = clip.empty() ? 0 : std::min<std::int32_t>(clip.size, 4096);
    for (std::int32_t i = 0; i < n; ++i) h = (h ^ clip.data[i]) * 16777619u;
    return static_cast<int>(h & 0x7FFFFFFF);
}

}  // namespace

std::optional<std::int32_t> NearestVorbisBitRate(int channels, std::int32_t rate, std::int32_t kbps) {
    if (!LoadVorbis()) return std::nullopt;
    if (Accepts(channels, rate, kbps)) return kbps;
    // The accepted rates form one range; search outwards, higher first.
    for (std::int32_t d = 1; d <= 512; ++d) {
        if (Accepts(channels, rate, kbps + d)) return kbps + d;
        if (kbps - d > 0 && Accepts(channels, rate, kbps - d)) return kbps - d;
    }
    return std::nullopt;
}

OggSaveResult EncodeClipToOggVorbis(const ClipSpan& clip, std::int32_t outputRate, std::int32_t bitRate,
                                    ByteSink& out, LongTask& task, const std::function<bool()>& stopped) {
    OggSaveResult result;
    const int channels = clip.format.stereo ? 2 : 1;
    if (clip.format.sampleRate <= 0 || outputRate <= 0) return {SaveStatus::VorbisInitFailed, 0};
    if (clip.frames() == 0) return {SaveStatus::EmptyOggClip, 0};
    const std::optional<std::int32_t> kbps = NearestVorbisBitRate(channels, outputRate, bitRate);
    if (!kbps) return {SaveStatus::VorbisInitFailed, 0};
    result.bitRate = *kbps;

    VorbisStream vorbis;
    if (!vorbis.Init(channels, outputRate, *kbps, SerialFor(clip))) return {SaveStatus::VorbisInitFailed, 0};
    const bool resample = outputRate != clip.format.sampleRate;
    Resampler resampler(channels, static_cast<double>(outputRate) / clip.format.sampleRate);
    if (resample && !resampler.ok()) return {SaveStatus::VorbisInitFailed, 0};
    if (!vorbis.WriteHeaders(out)) return {SaveStatus::CannotWrite, *kbps};

    const std::int32_t frames = clip.frames();
    const int bytesPerSample = clip.format.is16Bit ? 2 : 1;
    std::vector<float> block(static_cast<std::size_t>(kBlockFrames * channels));
    std::vector<float> converted;
    long encoded = 0;  // frames handed to the encoder
    for (std::int32_t pos = 0; pos < frames;) {
        task.Progress(frames > 0 ? static_cast<std::int32_t>(std::int64_t{pos} * 100 / frames) : 0);
        if (stopped && stopped()) return {SaveStatus::Stopped, *kbps};
        const std::int32_t n = std::min(kBlockFrames, frames - pos);
        const std::uint8_t* p = clip.data + static_cast<std::int64_t>(pos) * channels * bytesPerSample;
        for (std::int32_t i = 0; i < n * channels; ++i) {
            const std::int16_t s = bytesPerSample == 2
                                       ? static_cast<std::int16_t>(p[2 * i] | (p[2 * i + 1] << 8))
                                       : Widen8(p[i]);
            block[static_cast<std::size_t>(i)] = static_cast<float>(s) / 32768.0f;
        }
        pos += n;
        const float* data = block.data();
        long count = n;
        if (resample) {
            if (!resampler.Process(block.data(), n, pos == frames, converted))
                return {SaveStatus::VorbisInitFailed, *kbps};
            data = converted.data();
            count = static_cast<long>(converted.size() / channels);
        }
        if (count > 0 && !vorbis.Encode(data, count, channels, out)) return {SaveStatus::CannotWrite, *kbps};
        encoded += count;
    }
    task.Progress(0);
    if (encoded == 0) return {SaveStatus::OggTooShort, *kbps};
    if (!vorbis.Finish(out)) return {SaveStatus::CannotWrite, *kbps};
    return result;
}

OggSaveResult SaveClipAsOggVorbisFile(const std::string& fileName, const ClipSpan& clip,
                                      std::int32_t outputRate, std::int32_t bitRate, LongTask& task,
                                      const std::function<bool()>& stopped) {
    SafeFile file;
    if (!file.open(fileName)) return {SaveStatus::CannotCreate, 0};
    OggSaveResult result = EncodeClipToOggVorbis(clip, outputRate, bitRate, file, task, stopped);
    if (result.status != SaveStatus::Saved) return result;  // the file drops its temporary copy
    if (!file.commit()) result.status = SaveStatus::CannotWrite;
    return result;
}

}  // namespace zirpel
