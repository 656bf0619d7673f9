// File-name helpers of the Open command.
#pragma once

#include <string>

namespace zirpel {

// `tempDir` + "/" (unless it ends in one) + prefix + n + ext for the
// smallest n >= 0 whose name is not taken, e.g. /tmp/tempwav0.wav. A name
// counts as taken when any directory entry has it, a dangling link included,
// so the caller never writes through someone else's link.
std::string UniqueTempFileName(const std::string& tempDir, const std::string& prefix,
                               const std::string& ext);

// True when the extension of the last path component (from its last dot,
// dot included), upper-cased, is ".MP3".
bool IsMp3FileName(const std::string& fileName);

}  // namespace zirpel
