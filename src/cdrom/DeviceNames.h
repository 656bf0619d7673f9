// Picking device nodes out of the device folder's entry names.
#pragma once

#include <string>
#include <vector>

namespace zirpel {

// The names made of `prefix` and a decimal number ("sr0", "sg12"), sorted
// by that number (so "sr10" follows "sr9").
std::vector<std::string> NumberedDevices(const std::vector<std::string>& names,
                                         const std::string& prefix);

}  // namespace zirpel
