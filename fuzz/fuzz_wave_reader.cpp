// libFuzzer target: the WAV reader on arbitrary file contents, read the way
// the import reads its temporary file (through a descriptor). It must never
// read outside the file, never allocate for sizes the file does not hold,
// and a clip it accepts must be what the file's chunks say.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "clip/ClipFormat.h"
#include "wave/WaveFile.h"

using namespace zirpel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One memory file for the whole run, refilled for every input.
    static const int fd = ::memfd_create("wave", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();

    const WaveRead read = ReadWaveFile(fd);
    if (!read.ok()) {
        if (!read.clip.bytes.empty()) std::abort();
        return 0;
    }
    const Clip& clip = read.clip;
    // The data chunk's bytes as stored, behind at least the RIFF, WAVE and
    // two chunk headers (the RIFF form need not be the file's first chunk).
    if (clip.bytes.empty() || clip.bytes.size() + 12 + 8 + 16 + 8 > size) std::abort();
    if (clip.format.sampleRate <= 0) std::abort();
    // memmem is linear, whatever the bytes.
    if (::memmem(data, size, clip.bytes.data(), clip.bytes.size()) == nullptr) std::abort();
    return 0;
}
