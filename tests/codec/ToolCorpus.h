// Test files made at test time by the command-line tools a user has
// (sox, flac, oggenc, opusenc and their decoders): nothing binary is kept
// in the repository. A test whose tool is missing skips with the reason.
#pragma once

#include <cstdlib>
#include <string>

namespace zirpel::test {

inline bool HaveTool(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command quietly; true when it exited 0.
inline bool RunTool(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string Quote(const std::string& path) { return "'" + path + "'"; }

}  // namespace zirpel::test

#define ZIRPEL_REQUIRE_TOOL(tool)                                                     \
    do {                                                                              \
        if (!::zirpel::test::HaveTool(tool))                                          \
            GTEST_SKIP() << tool << " is not installed (scripts/setup-deps.sh installs it)"; \
    } while (0)
