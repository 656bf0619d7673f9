#include "codec/Mp3Import.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "codec/ByteSource.h"

namespace zirpel {

using namespace acm;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::uint32_t kWaveHeaderSize = 44;
// The largest file whose RIFF size field still holds its length − 8.
constexpr std::uint64_t kMaxWaveFileLength = 0xFFFFFFFFull;

const char kCannotOpen[] = "Konnte Datei nicht öffnen!";
const char kCannotCreate[] = "Konnte Ausgabedatei nicht erstellen!";

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

std::array<std::uint8_t, 44> BuildWaveHeader(const std::uint8_t* fmt16, std::uint32_t riffSize,
                                             std::uint32_t dataSize) {
    std::array<std::uint8_t, 44> h{};
    std::memcpy(&h[0], "RIFF", 4);
    PutU32(h.data(), 4, riffSize);
    std::memcpy(&h[8], "WAVE", 4);
    std::memcpy(&h[12], "fmt ", 4);
    PutU32(h.data(), 16, 16);
    std::memcpy(&h[20], fmt16, 16);
    std::memcpy(&h[36], "data", 4);
    PutU32(h.data(), 40, dataSize);
    return h;
}

Mp3ConvertResult ConvertMP3WAV(const std::string& mp3Name, const std::string& wavName,
                               Mp3ConversionContext& ctx) {
    auto progress = [&](std::int32_t percent) {
        if (ctx.SetProStatus) ctx.SetProStatus(percent);
    };
    ctx.FStopRequested = false;
    progress(0);

    std::unique_ptr<FileByteSource> source = FileByteSource::open(mp3Name);
    if (!source) source = FileByteSource::open(mp3Name);  // one more try
    if (!source) {
        if (ctx.ShowError) ctx.ShowError(kCannotOpen);
        progress(0);
        return Mp3ConvertResult::SourceNotOpened;
    }
    FilePtr dest(std::fopen(wavName.c_str(), "wb"));
    if (!dest) {
        if (ctx.ShowError) ctx.ShowError(kCannotCreate);
        source.reset();
        progress(0);
        return Mp3ConvertResult::DestinationNotCreated;
    }

    TACMConvertor& conv = ctx.mp3wav;
    bool activatedHere = false;
    Mp3ConvertResult result = Mp3ConvertResult::Converted;
    try {
        const Mp3DataStart start = FindMp3DataStart(*source);
        if (!start.frameFound) {
            // Nothing in the file is MPEG audio: nothing is converted.
            dest.reset();
            source.reset();
            progress(0);
            return Mp3ConvertResult::NoFrameHeader;
        }
        SetConversionFormats(conv, DeriveMp3Format(start), ctx.FMP3Formats, ctx.FMP3FormatCount);

        // The header's format is kept here: a nested open running while
        // events are processed may rewrite the convertor's blocks.
        std::uint8_t fmt16[16];
        std::memcpy(fmt16, conv.ACMFormatOut.data(), sizeof fmt16);
        const auto provisional = BuildWaveHeader(fmt16, 0, 0);
        std::fwrite(provisional.data(), 1, provisional.size(), dest.get());

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
        bool full = false;
        ACMSTREAMHEADER& header = conv.FStreamHeader;
        while (remaining > 0 && !ctx.FStopRequested && !full) {
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
            progress(length < remaining
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
            std::uint64_t produced = header.cbDstLengthUsed;
            if (written + produced > kMaxWaveFileLength) {
                // The size fields could no longer describe the file: end here.
                produced = kMaxWaveFileLength - written;
                full = true;
            }
            std::fwrite(conv.FOutputBuffer.get(), 1, produced, dest.get());
            written += produced;
            if (ctx.ProcessEvents) ctx.ProcessEvents();
        }
        if (ctx.FStopRequested || full) result = Mp3ConvertResult::Stopped;

        progress(0);
        TACMConvertor::CheckResult("acmStreamReset", acmStreamReset(conv.FStreamHandle, 0));
        conv.SetActive(false);
        activatedHere = false;

        // The sizes follow the file as written (a short write included).
        std::fflush(dest.get());
        fseeko(dest.get(), 0, SEEK_END);
        const off_t end = ftello(dest.get());
        const std::uint64_t fileLength = std::clamp<std::uint64_t>(
            end < 0 ? written : static_cast<std::uint64_t>(end), kWaveHeaderSize, kMaxWaveFileLength);
        const auto final =
            BuildWaveHeader(fmt16, static_cast<std::uint32_t>(fileLength - 8),
                            static_cast<std::uint32_t>(fileLength - kWaveHeaderSize));
        fseeko(dest.get(), 0, SEEK_SET);
        std::fwrite(final.data(), 1, final.size(), dest.get());
        dest.reset();
        source.reset();
    } catch (...) {
        // Nothing stays open or behind: close both files, drop the partial
        // output and release the stream this call opened.
        dest.reset();
        source.reset();
        std::remove(wavName.c_str());
        if (activatedHere && conv.Active()) {
            try {
                conv.SetActive(false);
            } catch (...) {
            }
        }
        throw;
    }
    progress(0);
    return result;
}

}  // namespace zirpel
