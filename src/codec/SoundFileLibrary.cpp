#include "codec/SoundFileLibrary.h"

#include <mutex>

#include "clip/RuntimeLibrary.h"

namespace zirpel {

namespace {

const SoundFileLibrary* Load() {
    static SoundFileLibrary sf{};
    RuntimeLibrary library("libsndfile.so.1");
    const bool all = library.Find("sf_open_fd", sf.open_fd) && library.Find("sf_close", sf.close) &&
                     library.Find("sf_command", sf.command) &&
                     library.Find("sf_readf_short", sf.readf_short) &&
                     library.Find("sf_readf_double", sf.readf_double);
    if (all) return &sf;
    library.Close();
    return nullptr;
}

}  // namespace

const SoundFileLibrary* LoadSoundFileLibrary() {
    static std::once_flag once;
    static const SoundFileLibrary* loaded = nullptr;
    std::call_once(once, [] { loaded = Load(); });
    return loaded;
}

}  // namespace zirpel
