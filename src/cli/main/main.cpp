// The program `zirpel`: the editor's commands on files, without a window.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/RunCli.h"
#include "cli/StopSignal.h"
#include "codec/Acm.h"
#include "export/LameEncoder.h"

int main(int argc, char** argv) {
    zirpel::cli::InstallStopSignalHandlers();
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    zirpel::LameEncoder encoder;
    zirpel::cli::CliEnvironment env{std::cout,
                                    std::cerr,
                                    ::isatty(STDERR_FILENO) == 1,
                                    zirpel::cli::TempFolderFrom(std::getenv("TMPDIR")),
                                    zirpel::acm::DefaultAcmRegistry(),
                                    encoder,
                                    zirpel::cli::StopSignalReceived};
    const int status = zirpel::cli::RunCli(args, env);
    std::cout.flush();
    return std::cout ? status : std::max(status, 2);
}
