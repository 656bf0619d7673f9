// The output of a plain conversion, an MP3 in and a WAV out with nothing
// done in between: the MP3 import writes its audio straight into the file
// the user chose (through a SafeFile, so a failure or a stop leaves that
// file as it was), instead of into a clip that is then written out. That
// spares holding the whole clip in memory and copying it once more, and
// the pieces decoded on several cores fill the file side by side.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "codec/PcmTarget.h"
#include "export/SafeFile.h"

namespace zirpel::cli {

class OutputWaveTarget final : public PcmTarget {
public:
    // `file` has been opened on the output.
    explicit OutputWaveTarget(SafeFile& file) : file_(file) {}

    bool Create() override;
    void Discard() override;
    bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) override;
    bool Truncate(std::uint64_t length) override;

    struct Finished {
        ImportedWave wave;
        bool written = false;  // the header and the length were put in place
    };
    // Checks what the import wrote as the WAV reader checks a file, then
    // gives the file the header and the length that saving a clip of that
    // audio writes, so that the output is byte for byte the same as opening
    // the MP3 and saving it.
    Finished Finish();

private:
    SafeFile& file_;
    bool created_ = false;
    std::array<std::uint8_t, 44> header_{};  // the import's own header, kept for the check
    std::uint64_t length_ = 0;                // of the import's file, header included
    std::mutex lock_;                         // guards length_
};

}  // namespace zirpel::cli
