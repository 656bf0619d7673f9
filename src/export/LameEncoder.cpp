#include "export/LameEncoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <limits>

namespace zirpel {
namespace {

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

void LameEncoder::LameCloser::operator()(lame_global_struct* gf) const { lame_close(gf); }

LameEncoder::LameEncoder() = default;
LameEncoder::~LameEncoder() = default;

LameEncoder::Stream* LameEncoder::Find(HBE_STREAM handle) {
    std::lock_guard g(lock_);
    const auto it = streams_.find(handle);
    return it == streams_.end() ? nullptr : &it->second;
}

BE_ERR LameEncoder::beInitStream(const BE_CONFIG* config, std::uint32_t* samplesPerChunk,
                                 std::uint32_t* outputBufferSize, HBE_STREAM* stream) {
    if (config == nullptr || samplesPerChunk == nullptr || outputBufferSize == nullptr ||
        stream == nullptr)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    // Setting up a stream fills tables libmp3lame shares between streams:
    // one set-up at a time.
    std::lock_guard g(lock_);
    if (config->dwConfig != BE_CONFIG_LAME || config->dwStructVersion < 1 ||
        config->dwStructSize < CURRENT_STRUCT_SIZE)
        return BE_ERR_INVALID_FORMAT;

    // libmp3lame takes its rates and bit rate as int.
    constexpr std::uint32_t kIntMax = std::numeric_limits<int>::max();
    if (config->dwSampleRate == 0 || config->dwSampleRate > kIntMax ||
        config->dwReSampleRate > kIntMax || config->dwBitrate == 0 || config->dwBitrate > kIntMax)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    // This layer writes constant bit rate only: a VBR stream would need its
    // header written back at the start of the file, which the stream
    // operations cannot do.
    if (config->bEnableVBR != 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;

    MPEG_mode mode;
    std::uint32_t channels = 2;
    switch (config->nMode) {
        case BE_MP3_MODE_STEREO: mode = STEREO; break;
        case BE_MP3_MODE_JSTEREO: mode = JOINT_STEREO; break;
        case BE_MP3_MODE_DUALCHANNEL: mode = DUAL_CHANNEL; break;
        case BE_MP3_MODE_MONO:
            mode = MONO;
            channels = 1;
            break;
        default: return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }

    std::unique_ptr<lame_global_struct, LameCloser> gf(lame_init());
    if (!gf) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    lame_set_in_samplerate(gf.get(), static_cast<int>(config->dwSampleRate));
    // 0 lets libmp3lame choose; every caller here names the rate.
    lame_set_out_samplerate(gf.get(), static_cast<int>(config->dwReSampleRate));
    lame_set_num_channels(gf.get(), static_cast<int>(channels));
    lame_set_mode(gf.get(), mode);
    lame_set_VBR(gf.get(), vbr_off);
    lame_set_brate(gf.get(), static_cast<int>(config->dwBitrate));
    if (config->nQuality == BE_QUALITY_HIGH) lame_set_quality(gf.get(), 2);
    lame_set_copyright(gf.get(), config->bCopyright != 0 ? 1 : 0);
    lame_set_original(gf.get(), config->bOriginal != 0 ? 1 : 0);
    lame_set_error_protection(gf.get(), config->bCRC != 0 ? 1 : 0);
    lame_set_extension(gf.get(), config->bPrivate != 0 ? 1 : 0);
    lame_set_emphasis(gf.get(), static_cast<int>(std::min<std::uint32_t>(config->dwEmphasis, 3)));
    // The file holds the encoded frames alone: no Xing/Info frame, no tags.
    lame_set_bWriteVbrTag(gf.get(), 0);
    lame_set_write_id3tag_automatic(gf.get(), 0);
    lame_set_findReplayGain(gf.get(), 0);
    if (lame_init_params(gf.get()) < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;

    const int outRate = lame_get_out_samplerate(gf.get());
    const int kbps = lame_get_brate(gf.get());
    const int frameSize = lame_get_framesize(gf.get());
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
    if (s->channels == 1) {
        result = lame_encode_buffer(s->lame.get(), samples, samples, static_cast<int>(frames),
                                    output, capacity);
    } else {
        // libmp3lame only reads the interleaved input; its prototype lacks the const.
        result = lame_encode_buffer_interleaved(s->lame.get(), const_cast<short*>(samples),
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
    const int result = lame_encode_flush(s->lame.get(), output, static_cast<int>(s->bufferSize));
    if (result == -1) return BE_ERR_BUFFER_TOO_SMALL;
    if (result < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *written = static_cast<std::uint32_t>(result);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR LameEncoder::beCloseStream(HBE_STREAM stream) {
    std::lock_guard g(lock_);
    return streams_.erase(stream) != 0 ? BE_ERR_SUCCESSFUL : BE_ERR_INVALID_HANDLE;
}

}  // namespace zirpel
