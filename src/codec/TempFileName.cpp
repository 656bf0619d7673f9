#include "codec/TempFileName.h"

#include <filesystem>
#include <system_error>

namespace zirpel {

std::string UniqueTempFileName(const std::string& tempDir, const std::string& prefix,
                               const std::string& ext) {
    std::string base = tempDir;
    if (base.empty() || base.back() != '/') base += '/';
    for (unsigned long long n = 0;; ++n) {
        std::string name = base + prefix + std::to_string(n) + ext;
        std::error_code ec;
        const auto status = std::filesystem::symlink_status(name, ec);
        if (status.type() == std::filesystem::file_type::not_found) return name;
    }
}

bool IsMp3FileName(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::string last = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = last.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string ext = last.substr(dot);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return ext == ".MP3";
}

}  // namespace zirpel
