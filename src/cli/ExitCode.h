// The command line's exit statuses.
#pragma once

namespace zirpel::cli {

enum ExitCode : int {
    kExitDone = 0,       // every file was read, processed and written
    kExitUsage = 1,      // the command line itself is wrong; nothing was touched
    kExitFile = 2,       // a file could not be read or written (or the run was interrupted)
    kExitOperation = 3,  // an operation failed on a clip (the editor's error text)
};

}  // namespace zirpel::cli
