#include "codec/TempFileName.h"

#include <sys/stat.h>

#include <cctype>

namespace zirpel {

bool IsMp3FileName(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string ext = base.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == ".MP3";
}

std::string UniqueTempFileName(const std::string& tempDir, const std::string& prefix,
                               const std::string& ext) {
    std::string dir = tempDir.empty() ? std::string(".") : tempDir;
    if (dir.back() != '/') dir += '/';
    for (unsigned long n = 0;; ++n) {
        std::string name = dir + prefix + std::to_string(n) + ext;
        struct stat st {};
        // lstat: a dangling link also counts as taken, so nothing is written through it.
        if (lstat(name.c_str(), &st) != 0) return name;
    }
}

}  // namespace zirpel
