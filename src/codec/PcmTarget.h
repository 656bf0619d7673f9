// Where the MP3 import writes its WAV file: the temporary file of Open
// (TempWaveFile), or memory (MemoryWaveTarget), from where the clip takes
// the audio without a copy (the fuzz target and tests convert there).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "wave/WaveFile.h"

namespace zirpel {

class PcmTarget {
public:
    virtual ~PcmTarget() = default;
    // Makes the empty file; false when it cannot be made.
    virtual bool Create() = 0;
    // Drops the file and everything written to it.
    virtual void Discard() = 0;
    // Writes at `offset` of the file (the 44-byte header at 0, the audio
    // after it). Several threads may write disjoint ranges at once, within
    // what Reserve announced.
    virtual bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) = 0;
    // Cuts the file to `length` bytes.
    virtual bool Truncate(std::uint64_t length) = 0;
    // The file will be at most `length` bytes long: writes from several
    // threads may follow.
    virtual bool Reserve(std::uint64_t length) {
        (void)length;
        return true;
    }
    // Whether Reserve is worth a look at the frames for a target that gets
    // its writes one after the other.
    virtual bool WantsRoom() const { return false; }
};

// Takes the part of a write that falls into the 44-byte header into
// `header` and moves `offset`, `data` and `size` past it.
void KeepHeaderPart(std::array<std::uint8_t, 44>& header, std::uint64_t& offset, const std::uint8_t*& data,
                    std::size_t& size);

// What the import's WAV file holds, checked as the WAV reader checks a file:
// the format of the header's "fmt " block and the audio of its data size.
struct ImportedWave {
    WaveStatus status = WaveStatus::NotWave;
    ClipFormat format;
    std::uint32_t audioBytes = 0;  // the data size, when status is Ok
};
// `length`: of the whole file, header included; `created`: whether the
// import made the file at all.
ImportedWave CheckImportedWave(const std::array<std::uint8_t, 44>& header, std::uint64_t length, bool created);

// The WAV file in memory: the header apart from the audio, so that the audio
// becomes the clip without a copy.
class MemoryWaveTarget final : public PcmTarget {
public:
    bool Create() override;
    void Discard() override;
    bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) override;
    bool Truncate(std::uint64_t length) override;
    bool Reserve(std::uint64_t length) override;
    bool WantsRoom() const override { return true; }

    bool created() const { return created_; }
    // The clip, checked as the WAV reader checks a file: the format of the
    // header's "fmt " block and the audio of its data size. Empties the target.
    WaveRead TakeClip();

private:
    bool created_ = false;
    std::array<std::uint8_t, 44> header_{};
    std::vector<std::uint8_t> audio_;
    std::uint64_t length_ = 0;  // of the file, header included
    std::mutex lock_;           // guards length_
};

}  // namespace zirpel
