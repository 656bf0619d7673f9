// libsndfile, loaded the first time a file needs it (a format neither the
// WAV reader nor the MP3 import takes) rather than with the program: it
// brings FLAC, Opus and Vorbis along, whose loading and symbol lookups
// would cost every start of the editor, for files most sessions never open.
#pragma once

#include <sndfile.h>

namespace zirpel {

struct SoundFileLibrary {
    decltype(&::sf_open_fd) open_fd;
    decltype(&::sf_close) close;
    decltype(&::sf_command) command;
    decltype(&::sf_readf_short) readf_short;
    decltype(&::sf_readf_double) readf_double;
};

// Loads libsndfile and its functions the first time (thread-safe; it stays
// loaded until the program ends). Null when it cannot be loaded.
const SoundFileLibrary* LoadSoundFileLibrary();

}  // namespace zirpel
