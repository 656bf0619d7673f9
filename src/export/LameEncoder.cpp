#include "export/LameEncoder.h"

#include "clip/RuntimeLibrary.h"
#include "clip/VectorState.h"
#include "export/LameSettings.h"

#include <lame/lame.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace zirpel {
namespace {

// libmp3lame, opened with the first encoding.
#define ZIRPEL_LAME_ENTRY_POINTS(X) \
    X(lame_close) X(lame_encode_buffer) X(lame_encode_buffer_interleaved) X(lame_encode_flush) \
    X(lame_get_brate) X(lame_get_frameNum) X(lame_get_framesize) X(lame_get_mf_samples_to_encode) \
    X(lame_get_out_samplerate) X(lame_get_version) X(lame_init) X(lame_init_params) X(lame_set_VBR) \
    X(lame_set_bWriteVbrTag) X(lame_set_brate) X(lame_set_copyright) X(lame_set_emphasis) \
    X(lame_set_error_protection) X(lame_set_extension) X(lame_set_findReplayGain) \
    X(lame_set_in_samplerate) X(lame_set_mode) X(lame_set_num_channels) X(lame_set_original) \
    X(lame_set_out_samplerate) X(lame_set_quality) X(lame_set_write_id3tag_automatic)
ZIRPEL_RUNTIME_LIBRARY(LameLibrary, LoadLame, "libmp3lame.so.0", ZIRPEL_LAME_ENTRY_POINTS)
// The entry points, once LoadLame() has succeeded.
const LameLibrary& Lame() { return *LoadLame(); }

// Upper bound for the output of `inFrames` input frames plus whatever the
// encoder still holds back from earlier chunks (bit reservoir, frames not yet
// complete). Every MP3 frame carries at least 576 samples at the output rate
// and at most 144 * bitrate / rate + 1 bytes; 7200 bytes cover libmp3lame's
// internal backlog.
std::uint64_t OutputBound(std::uint64_t inFrames, std::uint64_t inRate, std::uint64_t outRate,
                          std::uint64_t kbps) {
    const std::uint64_t outFrames = (inFrames * outRate + inRate - 1) / inRate;
    const std::uint64_t mp3Frames = (outFrames + 575) / 576 + 8;
    const std::uint64_t frameBytes = 144000 * kbps / outRate + 1;
    return mp3Frames * frameBytes + 7200;
}

}  // namespace

void LameEncoder::LameCloser::operator()(lame_global_struct* gf) const { Lame().lame_close(gf); }

LameEncoder::LameEncoder() = default;
LameEncoder::~LameEncoder() = default;

LameEncoder::Stream* LameEncoder::Find(HBE_STREAM handle) {
    std::lock_guard g(lock_);
    const auto it = streams_.find(handle);
    return it == streams_.end() ? nullptr : &it->second;
}

BE_ERR SetUpLame(lame_global_struct* gf, const BE_CONFIG& c, std::uint32_t& channels) {
    if (c.dwConfig != BE_CONFIG_LAME || c.dwStructVersion < 1 ||
        c.dwStructSize < CURRENT_STRUCT_SIZE)
        return BE_ERR_INVALID_FORMAT;

    // libmp3lame takes its rates and bit rate as int.
    constexpr std::uint32_t kIntMax = std::numeric_limits<int>::max();
    if (c.dwSampleRate == 0 || c.dwSampleRate > kIntMax ||
        c.dwReSampleRate > kIntMax || c.dwBitrate == 0 || c.dwBitrate > kIntMax)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    // This layer writes constant bit rate only: a VBR stream would need its
    // header written back at the start of the file, which the stream
    // operations cannot do.
    if (c.bEnableVBR != 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;

    MPEG_mode mode;
    channels = 2;
    switch (c.nMode) {
        case BE_MP3_MODE_STEREO: mode = STEREO; break;
        case BE_MP3_MODE_JSTEREO: mode = JOINT_STEREO; break;
        case BE_MP3_MODE_DUALCHANNEL: mode = DUAL_CHANNEL; break;
        case BE_MP3_MODE_MONO:
            mode = MONO;
            channels = 1;
            break;
        default: return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }

    Lame().lame_set_in_samplerate(gf, static_cast<int>(c.dwSampleRate));
    // 0 lets libmp3lame choose; every caller here names the rate.
    Lame().lame_set_out_samplerate(gf, static_cast<int>(c.dwReSampleRate));
    Lame().lame_set_num_channels(gf, static_cast<int>(channels));
    Lame().lame_set_mode(gf, mode);
    Lame().lame_set_VBR(gf, vbr_off);
    Lame().lame_set_brate(gf, static_cast<int>(c.dwBitrate));
    if (c.nQuality == BE_QUALITY_HIGH) Lame().lame_set_quality(gf, 2);
    Lame().lame_set_copyright(gf, c.bCopyright != 0 ? 1 : 0);
    Lame().lame_set_original(gf, c.bOriginal != 0 ? 1 : 0);
    Lame().lame_set_error_protection(gf, c.bCRC != 0 ? 1 : 0);
    Lame().lame_set_extension(gf, c.bPrivate != 0 ? 1 : 0);
    Lame().lame_set_emphasis(gf, static_cast<int>(std::min<std::uint32_t>(c.dwEmphasis, 3)));
    // The file holds the encoded frames alone: no Xing/Info frame, no tags.
    Lame().lame_set_bWriteVbrTag(gf, 0);
    Lame().lame_set_write_id3tag_automatic(gf, 0);
    Lame().lame_set_findReplayGain(gf, 0);
    if (Lame().lame_init_params(gf) < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return BE_ERR_SUCCESSFUL;
}

BE_ERR LameEncoder::beInitStream(const BE_CONFIG* config, std::uint32_t* samplesPerChunk,
                                 std::uint32_t* outputBufferSize, HBE_STREAM* stream) {
    if (config == nullptr || samplesPerChunk == nullptr || outputBufferSize == nullptr ||
        stream == nullptr)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    // Setting up a stream fills tables libmp3lame shares between streams:
    // one set-up at a time.
    std::lock_guard g(lock_);
    if (!LoadLame()) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    std::unique_ptr<lame_global_struct, LameCloser> gf(Lame().lame_init());
    if (!gf) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    std::uint32_t channels = 2;
    const BE_ERR setUp = SetUpLame(gf.get(), *config, channels);
    if (setUp != BE_ERR_SUCCESSFUL) return setUp;

    const int outRate = Lame().lame_get_out_samplerate(gf.get());
    const int kbps = Lame().lame_get_brate(gf.get());
    const int frameSize = Lame().lame_get_framesize(gf.get());
    if (outRate <= 0 || kbps <= 0 || frameSize <= 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    const std::uint64_t bound =
        OutputBound(kMaxChunkFrames, config->dwSampleRate, static_cast<std::uint64_t>(outRate),
                    static_cast<std::uint64_t>(kbps));
    // A rate ratio so extreme that one chunk could not be held in a sane
    // buffer is refused rather than risking an allocation the caller cannot make.
    if (bound > (std::uint64_t{4} << 20)) return BE_ERR_INVALID_FORMAT_PARAMETERS;

    if (streams_.size() >= 1024) return BE_ERR_NO_MORE_HANDLES;
    HBE_STREAM handle = nextHandle_;
    while (handle == 0 || streams_.count(handle) != 0) ++handle;
    nextHandle_ = handle + 1;

    Stream& s = streams_[handle];
    s.lame = std::move(gf);
    s.channels = channels;
    s.bufferSize = static_cast<std::uint32_t>(bound);

    *samplesPerChunk = static_cast<std::uint32_t>(frameSize) * channels;
    *outputBufferSize = s.bufferSize;
    *stream = handle;
    return BE_ERR_SUCCESSFUL;
}

BE_ERR LameEncoder::beEncodeChunk(HBE_STREAM stream, std::uint32_t sampleCount,
                                  const std::int16_t* samples, std::uint8_t* output,
                                  std::uint32_t* written) {
    Stream* s = Find(stream);
    if (s == nullptr) return BE_ERR_INVALID_HANDLE;
    if (written == nullptr || output == nullptr || (samples == nullptr && sampleCount != 0))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *written = 0;
    // A trailing value that does not fill a whole stereo frame is dropped.
    const std::uint32_t frames = sampleCount / s->channels;
    if (frames > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (frames == 0) return BE_ERR_SUCCESSFUL;

    const int capacity = static_cast<int>(s->bufferSize);
    int result;
    ClearUpperVectorState();
    if (s->channels == 1) {
        result = Lame().lame_encode_buffer(s->lame.get(), samples, samples, static_cast<int>(frames),
                                    output, capacity);
    } else {
        // libmp3lame only reads the interleaved input; its prototype lacks the const.
        result = Lame().lame_encode_buffer_interleaved(s->lame.get(), const_cast<short*>(samples),
                                                static_cast<int>(frames), output, capacity);
    }
    if (result == -1) return BE_ERR_BUFFER_TOO_SMALL;
    if (result < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *written = static_cast<std::uint32_t>(result);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR LameEncoder::beDeinitStream(HBE_STREAM stream, std::uint8_t* output,
                                   std::uint32_t* written) {
    Stream* s = Find(stream);
    if (s == nullptr) return BE_ERR_INVALID_HANDLE;
    if (written == nullptr || output == nullptr) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *written = 0;
    const int result = Lame().lame_encode_flush(s->lame.get(), output, static_cast<int>(s->bufferSize));
    if (result == -1) return BE_ERR_BUFFER_TOO_SMALL;
    if (result < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *written = static_cast<std::uint32_t>(result);
    return BE_ERR_SUCCESSFUL;
}

std::optional<LameEncoder::StreamFacts> LameEncoder::ProbeStream(HBE_STREAM stream) {
    Stream* s = Find(stream);
    if (s == nullptr) return std::nullopt;
    lame_global_struct* gf = s->lame.get();
    StreamFacts f;
    f.outRate = Lame().lame_get_out_samplerate(gf);
    f.kbps = Lame().lame_get_brate(gf);
    f.frameSamples = Lame().lame_get_framesize(gf);
    f.version = Lame().lame_get_version(gf);
    // Samples taken in but not yet encoded, plus those of the frames already
    // written, less the encoder's start-up count: the samples the input
    // became at the output rate. Unchanged means no resampling.
    constexpr int kProbeFrames = 2048;
    std::vector<short> silence(kProbeFrames * s->channels, 0);
    std::vector<unsigned char> out(s->bufferSize);
    const int before = Lame().lame_get_mf_samples_to_encode(gf) + Lame().lame_get_frameNum(gf) * f.frameSamples;
    const int result = s->channels == 1
        ? Lame().lame_encode_buffer(gf, silence.data(), silence.data(), kProbeFrames, out.data(),
                             static_cast<int>(out.size()))
        : Lame().lame_encode_buffer_interleaved(gf, silence.data(), kProbeFrames, out.data(),
                                         static_cast<int>(out.size()));
    if (result < 0) return std::nullopt;
    const int after = Lame().lame_get_mf_samples_to_encode(gf) + Lame().lame_get_frameNum(gf) * f.frameSamples;
    f.resamples = after - before != kProbeFrames;
    return f;
}

BE_ERR LameEncoder::beCloseStream(HBE_STREAM stream) {
    std::lock_guard g(lock_);
    return streams_.erase(stream) != 0 ? BE_ERR_SUCCESSFUL : BE_ERR_INVALID_HANDLE;
}

}  // namespace zirpel
