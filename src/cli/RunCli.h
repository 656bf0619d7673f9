// The whole command line `zirpel`, without the process around it: the
// program's main() hands it the real services, tests their own streams.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace zirpel {
class Mp3Encoder;
namespace acm {
class AcmRegistry;
}
}  // namespace zirpel

namespace zirpel::cli {

struct CliEnvironment {
    std::ostream& out;  // --help, --version
    std::ostream& err;  // messages, usage errors, progress
    bool errIsTerminal = false;  // progress is drawn only on a terminal
    std::string tempFolder;      // the MP3 import's temporary files
    acm::AcmRegistry& codecs;    // codec drivers of the MP3 import
    Mp3Encoder& encoder;         // MP3 encoder of the saves
    std::function<bool()> stopRequested;  // a termination signal arrived
};

// $TMPDIR when set and not empty (without trailing slashes), else "/tmp".
std::string TempFolderFrom(const char* tmpdir);

// Runs `args` (without the program name); returns the exit status.
// Messages go to env.err as "zirpel: <datei>: <text>".
int RunCli(const std::vector<std::string>& args, CliEnvironment& env);

}  // namespace zirpel::cli
