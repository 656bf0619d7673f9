// The MP3 import's temporary WAV file, tempwav<n>.wav in the temporary
// folder.
//
// It is created atomically under the first free name (O_CREAT | O_EXCL |
// O_NOFOLLOW, mode 0600), so nobody can slip a link or a file of their own
// under that name between choosing it and opening it. It is written and read
// back through the descriptor that created it, never reopened by name, and
// deleted when this object goes, on every path.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "codec/PcmTarget.h"

namespace zirpel {

class TempWaveFile final : public PcmTarget {
public:
    // Nothing is created yet; `folder` is where Create() will look.
    explicit TempWaveFile(std::string folder);
    ~TempWaveFile() override;
    TempWaveFile(const TempWaveFile&) = delete;
    TempWaveFile& operator=(const TempWaveFile&) = delete;

    // Creates folder + "/tempwav" + n + ".wav" for the smallest n >= 0 whose
    // name is free (any entry with that name counts as taken, a dangling
    // link included), opened for reading and writing. False when no such
    // file can be created (folder missing or not writable, ...).
    bool Create() override;

    // Closes and deletes the file (nothing if it was never created).
    void Discard() override;

    // Positioned writes through the descriptor (pwrite in pieces of
    // kFileWriteBytes, short writes retried) and cutting it short. The
    // decoders of a long file write from several threads; they take turns
    // here, since the kernel lets only one of them into the file at a time
    // anyway and one waiting there spins on a core the others need.
    bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) override;
    bool Truncate(std::uint64_t length) override;

    // The file will hold at most `length` bytes: the memory the clip will
    // be read back into (`length` less the header) is made ready on a thread
    // of its own meanwhile, so that reading back only copies. A decoder in
    // pieces announces this; the block loop does not.
    bool Reserve(std::uint64_t length) override;
    // That memory (empty when none was made or it could not be had), for
    // ReadWaveFile(fd, room). Waits for the thread.
    std::vector<std::uint8_t> TakeReadBackRoom();

    bool created() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& name() const { return name_; }

private:
    std::string folder_;
    std::string name_;
    int fd_ = -1;
    std::mutex writing_;  // one pwrite at a time
    std::vector<std::uint8_t> room_;
    std::thread preparing_;
};

}  // namespace zirpel
