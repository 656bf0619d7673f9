#include "cdrom/DeviceNames.h"

#include <algorithm>
#include <utility>

namespace zirpel {

std::vector<std::string> NumberedDevices(const std::vector<std::string>& names,
                                         const std::string& prefix) {
    // Up to 6 digits: enough for any real system, and the number fits.
    constexpr std::size_t kMaxDigits = 6;
    std::vector<std::pair<unsigned long, std::string>> found;
    for (const std::string& name : names) {
        if (name.size() <= prefix.size() || name.size() > prefix.size() + kMaxDigits ||
            name.compare(0, prefix.size(), prefix) != 0)
            continue;
        unsigned long number = 0;
        bool digits = true;
        for (std::size_t i = prefix.size(); i < name.size() && digits; ++i) {
            digits = name[i] >= '0' && name[i] <= '9';
            number = number * 10 + static_cast<unsigned long>(name[i] - '0');
        }
        if (digits) found.emplace_back(number, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> result;
    result.reserve(found.size());
    for (auto& f : found) result.push_back(std::move(f.second));
    return result;
}

}  // namespace zirpel
