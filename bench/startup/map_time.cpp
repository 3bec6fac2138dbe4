// map_time TITLE PROGRAM [ARGUMENTS...]
// Starts PROGRAM and waits until the X server maps a top-level window titled TITLE (under an X
// server without a window manager, where top-level windows are children of the root). Prints
// the wall time from just before the start to the map in milliseconds, the program's resident
// memory at that moment in kilobytes and the processor time it has used so far in milliseconds,
// "MS KB CPU-MS", then ends the program. Gives up after 30 s or when the program ends first.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

extern char** environ;

namespace {

std::string titleOf(xcb_connection_t* x, xcb_window_t window)
{
    const auto cookie = xcb_get_property(x, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(xcb_get_property_reply(x, cookie, nullptr),
                                                                          &std::free);
    if (!reply)
        return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

long residentKilobytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// CPU time of all the program's threads so far, in milliseconds: less disturbed by a busy
// machine than the wall time.
double cpuMilliseconds(pid_t pid)
{
    double ns = 0;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream stat(task.path() / "schedstat");
        double onCpu = 0;
        if (stat >> onCpu)
            ns += onCpu;
    }
    return ns / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: map_time TITLE PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const std::string title = argv[1];
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "map_time: no X display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    // A round trip: the server watches the root before the program starts.
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));

    pid_t pid = 0;
    const auto start = std::chrono::steady_clock::now();
    if (posix_spawn(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
        std::fprintf(stderr, "map_time: cannot start %s\n", argv[2]);
        return 2;
    }
    int result = 1;
    pollfd server{xcb_get_file_descriptor(x), POLLIN, 0};
    const auto deadline = start + std::chrono::seconds(30);
    while (result != 0 && std::chrono::steady_clock::now() < deadline) {
        xcb_generic_event_t* event = xcb_poll_for_event(x);
        if (!event) {
            if (xcb_connection_has_error(x)) {
                std::fprintf(stderr, "map_time: lost the X display\n");
                break;
            }
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                std::fprintf(stderr, "map_time: the program ended first\n");
                pid = 0;
                break;
            }
            poll(&server, 1, 100);
            continue;
        }
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
        const xcb_window_t window = mapped ? reinterpret_cast<xcb_map_notify_event_t*>(event)->window : 0;
        std::free(event);
        if (!mapped)
            continue;
        const auto at = std::chrono::steady_clock::now();
        if (titleOf(x, window) != title)
            continue;
        const double ms = std::chrono::duration<double, std::milli>(at - start).count();
        std::printf("%.1f %ld %.1f\n", ms, residentKilobytes(pid), cpuMilliseconds(pid));
        result = 0;
    }
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    xcb_disconnect(x);
    return result;
}
