#include "cli/StopSignal.h"

#include <csignal>

namespace zirpel::cli {
namespace {

volatile std::sig_atomic_t gStopSignal = 0;

extern "C" void OnStopSignal(int) { gStopSignal = 1; }

}  // namespace

void InstallStopSignalHandlers() {
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGXFSZ, SIG_IGN);
}

bool StopSignalReceived() { return gStopSignal != 0; }

}  // namespace zirpel::cli
