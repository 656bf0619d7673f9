// Naming helpers of the Open command.
#pragma once

#include <string>

namespace zirpel {

// True when the file name's extension (from the last dot of the last path
// component, dot included), upper-cased, is ".MP3". Contents are not examined.
bool IsMp3FileName(const std::string& fileName);

// tempDir + "/" + prefix + n + ext for the smallest n >= 0 whose file does not
// exist yet (tempwav0.wav, tempwav1.wav, ...). Existing files are not touched.
std::string UniqueTempFileName(const std::string& tempDir, const std::string& prefix,
                               const std::string& ext);

}  // namespace zirpel
