#include "codec/PcmTarget.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "clip/LittleEndian.h"

namespace zirpel {
namespace {

constexpr std::uint64_t kHeader = 44;

}  // namespace

bool MemoryWaveTarget::Create() {
    Discard();
    created_ = true;
    return true;
}

void MemoryWaveTarget::Discard() {
    created_ = false;
    header_.fill(0);
    std::vector<std::uint8_t>().swap(audio_);
    length_ = 0;
}

bool MemoryWaveTarget::Reserve(std::uint64_t length) {
    if (length <= kHeader) return true;
    const std::uint64_t audio = length - kHeader;
    if (audio > audio_.max_size()) return false;
    try {
        if (audio > audio_.size()) audio_.resize(static_cast<std::size_t>(audio));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool MemoryWaveTarget::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    if (!created_) return false;
    const std::uint64_t end = offset + size;
    KeepHeaderPart(header_, offset, data, size);
    if (size > 0) {
        const std::uint64_t from = offset - kHeader;
        if (from + size > audio_.size()) {
            // Only ever reached by a single writer: grow as a file would.
            try {
                audio_.resize(static_cast<std::size_t>(from + size));
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        std::memcpy(audio_.data() + from, data, size);
    }
    std::lock_guard g(lock_);
    length_ = std::max(length_, end);
    return true;
}

bool MemoryWaveTarget::Truncate(std::uint64_t length) {
    std::lock_guard g(lock_);
    length_ = std::min(length_, length);
    return true;
}

void KeepHeaderPart(std::array<std::uint8_t, 44>& header, std::uint64_t& offset, const std::uint8_t*& data,
                    std::size_t& size) {
    if (offset >= kHeader) return;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kHeader, offset + size) - offset);
    std::memcpy(header.data() + offset, data, n);
    data += n;
    size -= n;
    offset += n;
}

ImportedWave CheckImportedWave(const std::array<std::uint8_t, 44>& header, std::uint64_t length, bool created) {
    ImportedWave out;
    const std::uint8_t* h = header.data();
    const std::uint8_t* fmt = h + 20;
    const std::uint16_t channels = GetLE16(fmt + 2);
    const std::uint32_t rate = GetLE32(fmt + 4);
    const std::uint16_t bits = GetLE16(fmt + 14);
    const std::uint32_t declared = GetLE32(h + 40);
    const std::uint64_t audio = length > kHeader ? length - kHeader : 0;
    if (!created || length < kHeader || std::memcmp(h, "RIFF", 4) != 0 ||
        std::memcmp(h + 8, "WAVE", 4) != 0 || std::memcmp(h + 12, "fmt ", 4) != 0 ||
        GetLE32(h + 16) < 16 || std::memcmp(h + 36, "data", 4) != 0) {
        out.status = WaveStatus::NotWave;
    } else if (GetLE16(fmt + 0) != 1 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16) ||
               rate == 0 || rate > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
        out.status = WaveStatus::UnsupportedFormat;
    } else if (declared == 0 || declared > static_cast<std::uint64_t>(kMaxClipBytes) || declared > audio) {
        out.status = WaveStatus::BadData;
    } else {
        out.status = WaveStatus::Ok;
        out.format = {static_cast<std::int32_t>(rate), channels == 2, bits == 16};
        out.audioBytes = declared;
    }
    return out;
}

WaveRead MemoryWaveTarget::TakeClip() {
    // The same checks, in the same order, as the WAV reader makes on the
    // file this would otherwise have been.
    WaveRead out;
    const ImportedWave wave = CheckImportedWave(header_, length_, created_);
    out.status = wave.status;
    if (wave.status == WaveStatus::Ok) {
        audio_.resize(wave.audioBytes);
        out.clip = Clip{std::move(audio_), wave.format};
    }
    Discard();
    return out;
}

}  // namespace zirpel
