// Starts a program and prints how many milliseconds pass until the X server
// maps its first top-level window (MapNotify on the root window), then ends
// the program with SIGTERM. For bench/startup.sh.
//
//   startup_map_timer <program> [arguments...]     (DISPLAY must be set)
#include <xcb/xcb.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double Now() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <program> [arguments...]\n", argv[0]);
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X server (DISPLAY=%s)\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t ck = xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask);
    if (xcb_generic_error_t* e = xcb_request_check(c, ck)) {
        std::free(e);
        std::fprintf(stderr, "cannot watch the root window\n");
        return 2;
    }

    const double start = Now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::execvp(argv[1], argv + 1);
        std::_Exit(127);
    }
    double mapped = -1;
    pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
    while (mapped < 0) {
        while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
            if ((ev->response_type & 0x7F) == XCB_MAP_NOTIFY) mapped = Now();
            std::free(ev);
            if (mapped >= 0) break;
        }
        if (mapped >= 0) break;
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "%s ended before it showed a window\n", argv[1]);
            return 1;
        }
        if (Now() - start > 20000) {
            std::fprintf(stderr, "%s showed no window within 20 s\n", argv[1]);
            ::kill(child, SIGKILL);
            return 1;
        }
        ::poll(&p, 1, 50);
    }
    std::printf("%.2f\n", mapped - start);
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    xcb_disconnect(c);
    return 0;
}
