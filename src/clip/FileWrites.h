// How many bytes one write system call hands the kernel when the program
// writes a large file (the MP3 import's temporary WAV, a saved WAV, the
// command line's output).
//
// Linux sizes the page-cache folios of a buffered write by the size of the
// write: a 1 MiB write asks for 1 MiB of contiguous memory, a 2 MiB write
// for a huge page. Where such blocks are costly (in a virtual machine whose
// free memory goes back to the host), writing an hour of audio (635 MB) in
// 1 MiB pieces took 1.3 to 5.3 s where 128 KiB pieces took 0.13 s, on the
// same file system. From 64 to 256 KiB the time is flat, 4 KiB pieces cost
// 0.5 s in system calls; 128 KiB is also what cp uses.
#pragma once

#include <cstddef>

namespace zirpel {

inline constexpr std::size_t kFileWriteBytes = std::size_t{128} << 10;

}  // namespace zirpel
