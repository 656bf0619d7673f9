// libFuzzer target: the MP3 import's data start search, format derivation
// and codec format choice on arbitrary bytes. Checks that they never read
// outside the input, never hang, and that what they report holds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec/ACMConvertor.h"
#include "codec/Acm.h"
#include "codec/ByteSource.h"
#include "codec/Mp3DataStart.h"
#include "codec/Mp3Import.h"

using namespace zirpel;

namespace {

// A format list like the codec's: MPEG layer-3 blocks for common rates.
std::vector<FormatBlock> MakeFormats() {
    std::vector<FormatBlock> list;
    for (std::uint32_t rate : {8000u, 11025u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u})
        for (std::uint16_t channels = 1; channels <= 2; ++channels)
            for (std::uint32_t kbps : Layer3BitRatesForRate(rate)) {
                FormatBlock b{};
                PutU16(b, wfx::wFormatTag, WAVE_FORMAT_MPEGLAYER3);
                PutU16(b, wfx::nChannels, channels);
                PutU32(b, wfx::nSamplesPerSec, rate);
                PutU32(b, wfx::nAvgBytesPerSec, kbps * 125);
                PutU16(b, wfx::nBlockAlign, 1);
                PutU16(b, wfx::cbSize, 12);
                PutU16(b, wfx::nBlockSize, static_cast<std::uint16_t>(kbps));
                list.push_back(b);
            }
    return list;
}

bool Contains(const std::uint8_t* data, std::size_t size, const std::uint8_t* what) {
    for (std::size_t i = 0; i + 4 <= size; ++i)
        if (std::memcmp(data + i, what, 4) == 0) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<FormatBlock> formats = MakeFormats();
    static acm::AcmRegistry noDrivers;

    MemoryByteSource source(data, size);
    Mp3DataStart start;
    try {
        start = FindMp3DataStart(source);
    } catch (const EInOutError&) {
        // Only a RIFF wrapper cut short may raise.
        if (size < 4 || std::memcmp(data, "RIFF", 4) != 0) std::abort();
        return 0;
    }
    if (start.riffWrapped) {
        if (start.dataStart != 66 || std::memcmp(data, "RIFF", 4) != 0) std::abort();
    } else if (start.frameFound) {
        if (!IsValidFrameHeader(start.header.data())) std::abort();
        if (!Contains(data, size, start.header.data())) std::abort();
        if (start.dataStart + 4 > size) std::abort();
    }

    const Mp3StreamFormat format = DeriveMp3Format(start);
    if (start.frameFound && !start.riffWrapped) {
        if (format.sampleRate == 0 || format.bitRateKbps == 0) std::abort();
    }

    TACMConvertor convertor(noDrivers);
    convertor.LoadMp3WavStoredValues();
    SetConversionFormats(convertor, format, formats, static_cast<std::int32_t>(formats.size()));
    const std::uint16_t channels = format.stereo ? 2 : 1;
    if (GetU16(convertor.ACMFormatOut, wfx::nChannels) != channels ||
        GetU16(convertor.ACMFormatOut, wfx::nBlockAlign) != channels * 2 ||
        GetU16(convertor.ACMFormatIn, wfx::nChannels) != channels)
        std::abort();
    return 0;
}
