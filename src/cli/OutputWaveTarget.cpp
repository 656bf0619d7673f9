#include "cli/OutputWaveTarget.h"

#include <algorithm>

#include "wave/WaveFile.h"

namespace zirpel::cli {
namespace {

constexpr std::uint64_t kHeader = 44;

}  // namespace

bool OutputWaveTarget::Create() {
    Discard();
    created_ = true;
    return true;
}

void OutputWaveTarget::Discard() {
    created_ = false;
    header_.fill(0);
    length_ = 0;
    file_.setLength(0);
}

bool OutputWaveTarget::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    if (!created_) return false;
    const std::uint64_t end = offset + size;
    // The import's header stays here; Finish() writes the saved file's own.
    KeepHeaderPart(header_, offset, data, size);
    if (size > 0 && !file_.place(offset, data, size)) return false;
    std::lock_guard g(lock_);
    length_ = std::max(length_, end);
    return true;
}

bool OutputWaveTarget::Truncate(std::uint64_t length) {
    std::lock_guard g(lock_);
    length_ = std::min(length_, length);
    return true;
}

OutputWaveTarget::Finished OutputWaveTarget::Finish() {
    Finished out;
    out.wave = CheckImportedWave(header_, length_, created_);
    if (out.wave.status != WaveStatus::Ok) return out;
    // As WriteWaveFile lays out a clip: header, audio, a pad byte after an
    // odd data size.
    const std::uint32_t size = out.wave.audioBytes;
    const std::uint32_t pad = size & 1u;
    const auto fmt = PcmFormatBlock(out.wave.format);
    const auto header = BuildWaveHeader(fmt.data(), 4 + 8 + 16 + 8 + size + pad, size);
    const std::uint8_t zero = 0;
    out.written = file_.setLength(kHeader + size + pad) && file_.place(0, header.data(), header.size()) &&
                  (pad == 0 || file_.place(kHeader + size, &zero, 1));
    return out;
}

}  // namespace zirpel::cli
