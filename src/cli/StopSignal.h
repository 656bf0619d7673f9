// SIGINT and SIGTERM (Ctrl+C, `kill`) end the command line's run in order:
// the handler only notes the signal; the MP3 import and the MP3 save look
// at the note between blocks, stop, and their temporary files are removed
// on the way out. No file is left half-written.
//
// SIGXFSZ (a file-size limit, `ulimit -f`) is ignored: a write past the
// limit then fails with EFBIG and takes the same checked path as a full
// disk (message, temporary file removed) instead of killing the program.
#pragma once

namespace zirpel::cli {

// Installs the handlers for SIGINT and SIGTERM and ignores SIGXFSZ.
void InstallStopSignalHandlers();

// True once either signal arrived.
bool StopSignalReceived();

}  // namespace zirpel::cli
