#include "codec/Mp3Import.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <unistd.h>

#include "clip/FileWrites.h"
#include "codec/ByteSource.h"
#include "codec/Mp3FrameChain.h"
#include "codec/Mp3Pieces.h"
#include "wave/WaveFile.h"

namespace zirpel {

using namespace acm;

namespace {

constexpr std::uint32_t kWaveHeaderSize = 44;

const char kCannotOpen[] = "Konnte Datei nicht öffnen!";
const char kCannotCreate[] = "Konnte Ausgabedatei nicht erstellen!";
const char kCannotWrite[] = "Konnte Ausgabedatei nicht schreiben!";
const char kTooLong[] =
    "Die MP3-Datei ist zu lang: mehr als 2 GiB Samples (bei 44100 Hz Stereo etwa 3 Stunden 22 Minuten) "
    "passen nicht in einen Clip.";

}  // namespace

bool ACMEnumFmtMethod(const ACMFORMATDETAILS& details, std::vector<FormatBlock>& FMP3Formats,
                      std::int32_t& FMP3FormatCount) {
    if (details.dwFormatTag == WAVE_FORMAT_MPEGLAYER3 && details.pwfx != nullptr) {
        FormatBlock slot{};
        std::memcpy(slot.data(), details.pwfx, std::min<std::size_t>(details.cbwfx, slot.size()));
        FMP3Formats.push_back(slot);
        ++FMP3FormatCount;
    }
    return true;
}

bool ACMEnumDrvrMethod(HACMDRIVERID driverId, std::vector<FormatBlock>& FMP3Formats,
                       std::int32_t& FMP3FormatCount, const std::function<void()>& processEvents) {
    FormatBlock buffer{};
    PutU16(buffer, wfx::wFormatTag, WAVE_FORMAT_MPEGLAYER3);
    PutU16(buffer, wfx::cbSize, static_cast<std::uint16_t>(kFormatBlockSize));
    ACMFORMATDETAILS details{};
    details.cbStruct = kAcmFormatDetailsSize;
    details.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
    details.pwfx = buffer.data();
    details.cbwfx = static_cast<std::uint32_t>(kFormatBlockSize);

    // A driver that does not open enumerates nothing.
    HACMDRIVER driver = nullptr;
    acmDriverOpen(&driver, driverId, 0);
    acmFormatEnum(
        driver, &details,
        [&](HACMDRIVERID, ACMFORMATDETAILS& d, std::uint32_t) {
            return ACMEnumFmtMethod(d, FMP3Formats, FMP3FormatCount);
        },
        0);
    acmDriverClose(driver, 0);
    if (processEvents) processEvents();
    return true;
}

void EnumerateMp3Formats(const AcmRegistry& registry, std::vector<FormatBlock>& FMP3Formats,
                         std::int32_t& FMP3FormatCount, const std::function<void()>& processEvents) {
    acmDriverEnum(
        registry,
        [&](HACMDRIVERID id, std::uint32_t) {
            return ACMEnumDrvrMethod(id, FMP3Formats, FMP3FormatCount, processEvents);
        },
        ACM_DRIVERENUMF_DISABLED);
}

void SetConversionFormats(TACMConvertor& mp3wav, const Mp3StreamFormat& format,
                          const std::vector<FormatBlock>& FMP3Formats,
                          std::int32_t FMP3FormatCount) {
    const std::uint16_t channels = format.stereo ? 2 : 1;
    FormatBlock& out = mp3wav.ACMFormatOut;
    PutU16(out, wfx::nChannels, channels);
    PutU32(out, wfx::nSamplesPerSec, format.sampleRate);
    PutU16(out, wfx::wBitsPerSample, 16);
    PutU32(out, wfx::nAvgBytesPerSec, channels * format.sampleRate * 16 / 8);
    PutU16(out, wfx::cbSize, 0);
    PutU16(out, wfx::nBlockAlign, static_cast<std::uint16_t>(channels * 16 / 8));

    FormatBlock& in = mp3wav.ACMFormatIn;
    PutU16(in, wfx::nChannels, channels);
    PutU32(in, wfx::nSamplesPerSec, format.sampleRate);
    PutU16(in, wfx::wBitsPerSample, 0);
    PutU32(in, wfx::nAvgBytesPerSec,
           static_cast<std::uint32_t>(std::uint64_t{format.bitRateKbps} * 1000 / 8));

    const std::size_t count =
        std::min<std::size_t>(FMP3Formats.size(), static_cast<std::size_t>(std::max(0, FMP3FormatCount)));
    const FormatBlock wanted = in;
    for (std::size_t i = 0; i < count; ++i) {
        const FormatBlock& slot = FMP3Formats[i];
        if (GetU16(slot, wfx::nChannels) == GetU16(wanted, wfx::nChannels) &&
            GetU32(slot, wfx::nSamplesPerSec) == GetU32(wanted, wfx::nSamplesPerSec) &&
            GetU16(slot, wfx::wBitsPerSample) == GetU16(wanted, wfx::wBitsPerSample) &&
            GetU32(slot, wfx::nAvgBytesPerSec) == GetU32(wanted, wfx::nAvgBytesPerSec))
            in = slot;
    }
}

namespace {

// Collects the decoder's small outputs (about 10 KiB per block) into large
// writes: a five-minute song then takes dozens of system calls, not
// thousands.
class BufferedOutput {
public:
    explicit BufferedOutput(PcmTarget& target) : target_(target) { buffer_.reserve(kCapacity); }
    bool Append(const std::uint8_t* p, std::uint64_t n) {
        if (buffer_.size() + n > kCapacity && !Flush()) return false;
        if (n >= kCapacity) {
            if (!target_.WriteAt(pos_, p, static_cast<std::size_t>(n))) return false;
            pos_ += n;
            return true;
        }
        buffer_.insert(buffer_.end(), p, p + n);
        return true;
    }
    bool Flush() {
        const bool ok = buffer_.empty() || target_.WriteAt(pos_, buffer_.data(), buffer_.size());
        pos_ += buffer_.size();
        buffer_.clear();
        return ok;
    }

private:
    static constexpr std::size_t kCapacity = kFileWriteBytes;
    PcmTarget& target_;
    std::uint64_t pos_ = 0;
    std::vector<std::uint8_t> buffer_;
};

// Decodes the file in pieces when that can help: a decoder that can be
// worked frame by frame, more than one piece for the file's size and the
// cores, and one uniform chain of frames in the format the stream was opened
// for. A target in memory is given the room the frames will need at the most
// either way, so that it does not grow piecemeal.
PiecesResult DecodeInPieces(const ByteSource& source, std::uint64_t dataStart, const std::uint8_t* fmt16,
                            TACMConvertor& conv, const Mp3Codec& codec, std::uint64_t maxBytes,
                            PcmTarget& target, LongTask& task) {
    const std::uint64_t size = source.size();
    const int pieces = codec.pieces > 0 ? codec.pieces
                                         : Mp3PiecesFor(size > dataStart ? size - dataStart : 0, AvailableCores());
    const Mp3FrameDecoderFactory decoders = pieces > 1 ? acmStreamFrameDecoders(conv.FStreamHandle)
                                                       : Mp3FrameDecoderFactory{};
    if (!decoders && !target.WantsRoom()) return {};
    const Mp3FrameChain chain = ScanMp3Frames(source, dataStart);
    const std::uint64_t room = chain.frames.size() * std::uint64_t(chain.samplesPerFrame) * chain.channels * 2;
    if (target.WantsRoom() && room > 0) target.Reserve(kWaveHeaderSize + std::min(room, maxBytes));
    if (!decoders || !chain.uniform || chain.channels != GetLE16(fmt16 + 2) ||
        chain.sampleRate != GetLE32(fmt16 + 4))
        return {};
    return DecodeMp3InPieces(source, dataStart, chain, decoders, pieces, maxBytes, target, task);
}

}  // namespace

Notice NoticeFor(Mp3ConvertResult result) {
    switch (result) {
        case Mp3ConvertResult::SourceNotOpened: return {kCannotOpen, NoticeStyle::ErrorIcon};
        case Mp3ConvertResult::DestinationNotCreated: return {kCannotCreate, NoticeStyle::ErrorIcon};
        case Mp3ConvertResult::CannotWrite: return {kCannotWrite, NoticeStyle::ErrorIcon};
        case Mp3ConvertResult::TooLong: return {kTooLong, NoticeStyle::ErrorIcon};
        case Mp3ConvertResult::Converted:
        case Mp3ConvertResult::Stopped:
        case Mp3ConvertResult::NoFrameHeader: break;
    }
    return {};
}

Mp3ConvertResult ConvertMP3WAV(const std::string& mp3Name, PcmTarget& wav, Mp3Codec& codec,
                               LongTask& task, std::int64_t clipLimit) {
    task.ClearStop();
    task.Progress(0);

    std::unique_ptr<FileByteSource> file = FileByteSource::open(mp3Name);
    if (!file) file = FileByteSource::open(mp3Name);  // one more try
    if (!file) {
        task.Progress(0);
        return Mp3ConvertResult::SourceNotOpened;
    }
    return ConvertMp3Source(std::move(file), wav, codec, task, clipLimit);
}

Mp3ConvertResult ConvertMp3Source(std::unique_ptr<ByteSource> source, PcmTarget& wav, Mp3Codec& codec,
                                  LongTask& task, std::int64_t clipLimit) {
    if (!wav.Create()) {
        source.reset();
        task.Progress(0);
        return Mp3ConvertResult::DestinationNotCreated;
    }

    TACMConvertor& conv = codec.mp3wav;
    bool activatedHere = false;
    Mp3ConvertResult result = Mp3ConvertResult::Converted;
    try {
        // A long scan (gigabytes without a frame) lets events run and can be
        // stopped like the conversion itself.
        const Mp3DataStart start = FindMp3DataStart(*source, &task);
        if (start.stopped) {
            source.reset();
            wav.Discard();
            task.Progress(0);
            return Mp3ConvertResult::Stopped;
        }
        if (!start.frameFound) {
            // Nothing in the file is MPEG audio: nothing is converted.
            source.reset();
            task.Progress(0);
            return Mp3ConvertResult::NoFrameHeader;
        }
        SetConversionFormats(conv, DeriveMp3Format(start), codec.FMP3Formats, codec.FMP3FormatCount);

        // The header's format is kept here: a nested open running while
        // events are processed may rewrite the convertor's blocks.
        std::uint8_t fmt16[16];
        std::memcpy(fmt16, conv.ACMFormatOut.data(), sizeof fmt16);
        const auto provisional = BuildWaveHeader(fmt16, 0, 0);
        BufferedOutput output(wav);
        bool writeFailed = !output.Append(provisional.data(), provisional.size());

        std::uint32_t blockSize = std::uint32_t{GetU16(conv.ACMFormatIn, wfx::nBlockAlign)} * 1024;
        if (blockSize == 0) blockSize = 1024;  // a zero block align would never move on
        conv.SetInputBufferSize(blockSize);
        conv.SetActive(true);
        activatedHere = true;

        const std::int64_t length = static_cast<std::int64_t>(source->size());
        source->seek(start.dataStart);
        std::int64_t remaining = length - static_cast<std::int64_t>(start.dataStart);
        std::uint64_t written = kWaveHeaderSize;
        bool first = true;
        bool tooLong = false;
        bool windowGone = false;
        bool inPieces = false;
        if (!writeFailed) {
            // On several cores a long file is decoded in pieces side by side,
            // to the same bytes; anything the pieces cannot do exactly is left
            // to the block loop below.
            const PiecesResult pieces = DecodeInPieces(*source, start.dataStart, fmt16, conv, codec,
                                                       static_cast<std::uint64_t>(std::max<std::int64_t>(clipLimit, 0)),
                                                       wav, task);
            inPieces = pieces.status != PiecesStatus::NotDecoded;
            written += pieces.bytes;
            writeFailed = pieces.status == PiecesStatus::CannotWrite;
            windowGone = pieces.ownerGone;
        }
        ACMSTREAMHEADER& header = conv.FStreamHeader;
        while (!inPieces && remaining > 0 && !task.StopRequested() && !writeFailed) {
            std::uint32_t n = conv.InputBufferSize();
            bool last = false;
            if (remaining < n) {
                n = static_cast<std::uint32_t>(remaining);
                last = true;
            }
            const auto got =
                static_cast<std::uint32_t>(source->read(conv.FInputBuffer.get(), n));
            remaining -= n;
            header.cbSrcLength = got;
            task.Progress(length < remaining
                              ? 100
                              : static_cast<std::int32_t>((length - remaining) * 100 / length));

            const std::uint32_t flags = last    ? ACM_STREAMCONVERTF_END
                                        : first ? ACM_STREAMCONVERTF_START
                                                : 0;
            first = false;
            try {
                TACMConvertor::CheckResult("acmStreamConvert:",
                                           acmStreamConvert(conv.FStreamHandle, &header, flags));
            } catch (const EACMConvertor&) {
                // A block the codec refuses is skipped; the conversion goes on.
            }
            const std::uint32_t used = header.cbSrcLengthUsed;
            if (used > 0 && used < got) {
                // Bytes the codec did not take are read again with the next block.
                const std::uint32_t back = got - used;
                source->seek(source->tell() - back);
                remaining += back;
            }
            const std::uint64_t produced = header.cbDstLengthUsed;
            if (written - kWaveHeaderSize + produced > static_cast<std::uint64_t>(clipLimit)) {
                // No clip could hold the song: decoding the rest would only fill the disk.
                tooLong = true;
                break;
            }
            if (!output.Append(conv.FOutputBuffer.get(), produced)) {
                writeFailed = true;
                break;
            }
            written += produced;
            if (!task.Pump()) {
                // The window went away while events ran: end as if stopped.
                windowGone = true;
                break;
            }
        }
        if (task.StopRequested() || windowGone) result = Mp3ConvertResult::Stopped;

        task.Progress(0);
        TACMConvertor::CheckResult("acmStreamReset", acmStreamReset(conv.FStreamHandle, 0));
        conv.SetActive(false);
        activatedHere = false;
        source.reset();
        if (tooLong) {
            wav.Discard();
            return Mp3ConvertResult::TooLong;
        }

        if (!writeFailed) writeFailed = !output.Flush();
        if (!writeFailed) {
            const auto final = BuildWaveHeader(fmt16, static_cast<std::uint32_t>(written - 8),
                                               static_cast<std::uint32_t>(written - kWaveHeaderSize));
            writeFailed = !wav.WriteAt(0, final.data(), final.size());
        }
        if (writeFailed) {
            // A short file must never pass for the whole song.
            wav.Discard();
            task.Progress(0);
            return Mp3ConvertResult::CannotWrite;
        }
    } catch (...) {
        // Nothing stays open or behind: close the source, drop the partial
        // output and release the stream this call opened.
        source.reset();
        wav.Discard();
        if (activatedHere && conv.Active()) {
            try {
                conv.SetActive(false);
            } catch (...) {
            }
        }
        throw;
    }
    task.Progress(0);
    return result;
}

}  // namespace zirpel
