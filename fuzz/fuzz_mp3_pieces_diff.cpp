// libFuzzer target: the MP3 import decoding in pieces against one decoder.
// The input is repeated into a stream of about 128 KiB, so that a short MP3
// makes hundreds of frames, and converted twice: with a single decoder and
// in three pieces. Both must end alike and give the same clip, byte for byte.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "codec/ACMConvertor.h"
#include "codec/ByteSource.h"
#include "codec/Mp3DataStart.h"
#include "codec/Mp3Import.h"
#include "codec/PcmTarget.h"

using namespace zirpel;

namespace {

constexpr std::size_t kStreamBytes = 128 * 1024;

struct Outcome {
    bool raised = false;
    Mp3ConvertResult result = Mp3ConvertResult::Converted;
    WaveStatus read = WaveStatus::CannotOpen;
    Clip clip;
};

Outcome Convert(const std::vector<std::uint8_t>& bytes, int pieces) {
    // A fresh convertor each time: its format blocks carry over between
    // conversions, and both runs must start alike.
    TACMConvertor mp3wav;
    mp3wav.LoadMp3WavStoredValues();
    std::vector<FormatBlock> formats;
    std::int32_t count = 0;
    EnumerateMp3Formats(acm::DefaultAcmRegistry(), formats, count, nullptr);
    Mp3Codec codec{mp3wav, formats, count, pieces};
    LongTask quiet;
    MemoryWaveTarget target;
    Outcome o;
    try {
        o.result = ConvertMp3Source(std::make_unique<MemoryByteSource>(bytes.data(), bytes.size()), target,
                                    codec, quiet);
    } catch (const EACMConvertor&) {
        o.raised = true;
    } catch (const EInOutError&) {
        o.raised = true;
    }
    if (target.created()) {
        WaveRead w = target.TakeClip();
        o.read = w.status;
        o.clip = std::move(w.clip);
    }
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::vector<std::uint8_t> stream;
    stream.reserve(kStreamBytes + size);
    do {
        stream.insert(stream.end(), data, data + size);
    } while (stream.size() < kStreamBytes);

    const Outcome one = Convert(stream, 1);
    const Outcome many = Convert(stream, 3);
    if (one.raised != many.raised || one.result != many.result || one.read != many.read ||
        one.clip.format != many.clip.format || one.clip.bytes != many.clip.bytes)
        std::abort();
    return 0;
}
