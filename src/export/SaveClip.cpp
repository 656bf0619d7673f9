#include "export/SaveClip.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "clip/Samples.h"
#include "export/OggVorbisFile.h"
#include "export/SafeFile.h"
#include "wave/WaveFile.h"

namespace zirpel {
namespace {

static_assert(std::endian::native == std::endian::little,
              "16-bit clip data is little-endian and handed to the encoder as is");

// Closes the encoder stream on every way out of the encoding.
class StreamGuard {
public:
    StreamGuard(Mp3Encoder& encoder, HBE_STREAM stream) : encoder_(encoder), stream_(stream) {}
    ~StreamGuard() { encoder_.beCloseStream(stream_); }
    StreamGuard(const StreamGuard&) = delete;
    StreamGuard& operator=(const StreamGuard&) = delete;

private:
    Mp3Encoder& encoder_;
    HBE_STREAM stream_;
};

}  // namespace

Notice NoticeFor(SaveStatus status) {
    switch (status) {
        case SaveStatus::Saved: return {};
        case SaveStatus::CannotCreate: return {kMsgCannotCreate, NoticeStyle::Plain};
        case SaveStatus::EncoderInitFailed: return {kMsgEncoderInit, NoticeStyle::Plain};
        case SaveStatus::CannotWrite: return {kMsgCannotSave, NoticeStyle::ErrorIcon};
        case SaveStatus::VorbisInitFailed: return {kMsgVorbisInit, NoticeStyle::Plain};
        case SaveStatus::Stopped: return {};  // the caller says what a stop means
        case SaveStatus::EmptyClip: return {kMsgEmptyClip, NoticeStyle::ErrorIcon};
        case SaveStatus::EmptyOggClip: return {kMsgEmptyOggClip, NoticeStyle::ErrorIcon};
        case SaveStatus::OggTooShort: return {kMsgOggTooShort, NoticeStyle::ErrorIcon};
    }
    return {kMsgCannotSave, NoticeStyle::ErrorIcon};
}

BE_CONFIG MakeMp3Config(const ClipFormat& clip, std::int32_t outputRate, std::int32_t bitRate) {
    BE_CONFIG c;
    std::memset(&c, 0, sizeof c);
    c.dwConfig = BE_CONFIG_LAME;
    c.dwStructVersion = CURRENT_STRUCT_VERSION;
    c.dwStructSize = CURRENT_STRUCT_SIZE;
    c.dwSampleRate = static_cast<std::uint32_t>(clip.sampleRate);
    c.dwReSampleRate = static_cast<std::uint32_t>(outputRate);
    c.nMode = clip.stereo ? BE_MP3_MODE_STEREO : BE_MP3_MODE_MONO;
    c.dwBitrate = static_cast<std::uint32_t>(bitRate);
    c.dwMaxBitrate = static_cast<std::uint32_t>(bitRate);
    c.nQuality = BE_QUALITY_HIGH;
    c.dwMpegVersion = MPEG1;
    c.dwPsyModel = 0;
    c.dwEmphasis = 0;
    c.bPrivate = BE_FALSE;
    c.bCRC = BE_FALSE;
    c.bCopyright = BE_TRUE;
    c.bOriginal = BE_TRUE;
    c.bWriteVBRHeader = BE_FALSE;
    c.bEnableVBR = BE_FALSE;
    c.nVBRQuality = 0;
    return c;
}

SaveStatus EncodeClipToMP3(Mp3Encoder& encoder, const ClipSpan& clip, std::int32_t outputRate,
                           std::int32_t bitRate, ByteSink& out, LongTask& task) {
    const std::int64_t clipBytes = clip.data != nullptr ? std::max<std::int32_t>(clip.size, 0) : 0;
    const bool is16Bit = clip.format.is16Bit;

    // 8-bit clips reach the encoder widened to 16 bit; the copy is made once.
    std::vector<std::int16_t> widened;
    if (!is16Bit) {
        widened.resize(static_cast<std::size_t>(clipBytes));
        for (std::int64_t i = 0; i < clipBytes; ++i) widened[i] = Widen8(clip.data[i]);
    }
    const std::int64_t count = is16Bit ? clipBytes : 2 * clipBytes;  // bytes of 16-bit input

    const BE_CONFIG config = MakeMp3Config(clip.format, outputRate, bitRate);
    std::uint32_t samplesPerChunk = 0;
    std::uint32_t bufferSize = 0;
    HBE_STREAM stream = 0;
    if (encoder.beInitStream(&config, &samplesPerChunk, &bufferSize, &stream) != BE_ERR_SUCCESSFUL)
        return SaveStatus::EncoderInitFailed;
    StreamGuard guard(encoder, stream);

    std::vector<std::uint8_t> output(bufferSize, 0);
    std::uint32_t written = 0;
    // 16-bit clip bytes are copied piecewise into properly typed storage.
    std::array<std::int16_t, kMp3ChunkBytes / 2> piece{};

    for (std::int64_t pos = 0; pos < count;) {
        task.Progress(static_cast<std::int32_t>(pos * 100 / count));
        const std::int64_t n = std::min<std::int64_t>(count - pos, kMp3ChunkBytes);
        const auto samples = static_cast<std::uint32_t>(n / 2);
        const std::int16_t* input;
        if (is16Bit) {
            std::memcpy(piece.data(), clip.data + pos, samples * sizeof(std::int16_t));
            input = piece.data();
        } else {
            input = widened.data() + pos / 2;
        }
        written = 0;
        if (encoder.beEncodeChunk(stream, samples, input, output.data(), &written) !=
                BE_ERR_SUCCESSFUL ||
            written > output.size())
            throw EMP3Encoder(kMsgEncodeFailed);
        if (written > 0 && !out.write(output.data(), written)) return SaveStatus::CannotWrite;
        pos += n;
    }
    task.Progress(0);

    written = 0;
    if (encoder.beDeinitStream(stream, output.data(), &written) != BE_ERR_SUCCESSFUL ||
        written > output.size())
        throw EMP3Encoder(kMsgFlushFailed);
    if (written > 0 && !out.write(output.data(), written)) return SaveStatus::CannotWrite;
    return SaveStatus::Saved;
}

std::string CompleteSaveFileName(const std::string& fileName, int filterIndex) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    if (fileName.find('.', start) != std::string::npos) return fileName;
    return fileName + "." + std::string(FormatOfWriter(WriterOfSaveFilter(filterIndex))->extensions[0]);
}

SaveStatus SaveClipAsMP3File(Mp3Encoder& encoder, const std::string& fileName,
                             const ClipSpan& clip, std::int32_t outputRate, std::int32_t bitRate,
                             LongTask& task, const SaveStopQuery& stop) {
    SafeFile file;
    file.stopRequested = stop;
    if (!file.open(fileName)) return SaveStatus::CannotCreate;
    const SaveStatus status = EncodeClipToMP3(encoder, clip, outputRate, bitRate, file, task);
    if (file.stopped()) return SaveStatus::Stopped;
    if (status != SaveStatus::Saved) return status;  // the file drops its temporary copy
    return file.commit() ? SaveStatus::Saved : SaveStatus::CannotWrite;
}

SaveOutcome SaveClipAs(const SaveRequest& request, const ClipSpan& clip, Mp3Encoder& encoder,
                       LongTask& task, const SaveStopQuery& stop) {
    switch (request.writer) {
        case Writer::Wave: return {SaveClipAsWaveFile(request.fileName, clip, stop), {}};
        case Writer::Mp3:
            return {SaveClipAsMP3File(encoder, request.fileName, clip, request.outputRate, request.bitRate,
                                      task, stop),
                    {}};
        case Writer::OggVorbis: {
            const OggSaveResult r = SaveClipAsOggVorbisFile(request.fileName, clip, request.outputRate,
                                                            request.bitRate, task, stop);
            SaveOutcome outcome{r.status, {}};
            if (r.status == SaveStatus::Saved && r.bitRate != request.bitRate)
                outcome.note = "Ogg Vorbis mit " + std::to_string(r.bitRate) + " statt " +
                               std::to_string(request.bitRate) + " kBit/s gespeichert (bei " +
                               std::to_string(request.outputRate) + " Hz " +
                               (clip.format.stereo ? "Stereo" : "Mono") + " nicht möglich)";
            return outcome;
        }
        case Writer::None: break;
    }
    return {SaveStatus::CannotWrite, {}};
}

SaveStatus SaveClipAsWaveFile(const std::string& fileName, const ClipSpan& clip,
                              const SaveStopQuery& stop) {
    if (clip.format.sampleRate > 0 && clip.size == 0) return SaveStatus::EmptyClip;
    SafeFile file;
    file.stopRequested = stop;
    if (!file.open(fileName)) return SaveStatus::CannotWrite;
    if (!WriteWaveFile(file, clip)) return file.stopped() ? SaveStatus::Stopped : SaveStatus::CannotWrite;
    return file.commit() ? SaveStatus::Saved : SaveStatus::CannotWrite;
}

}  // namespace zirpel
