// What `zirpel --help`, `zirpel --version` and a usage error print.
#pragma once

#include <string>

namespace zirpel::cli {

std::string HelpText();
std::string VersionText();
// The short form after a usage error.
std::string UsageLine();

}  // namespace zirpel::cli
