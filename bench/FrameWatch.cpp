// frame-watch: starts a program on an X display and tells how long it took until the first pixels
// of its first window reached the screen, and how much memory the program held at its peak.
//
// The program needs no help from inside: the X server's DAMAGE extension reports every drawing
// into the screen, and a top-level window that maps gets no pixels until its owner draws them
// (Qt gives its windows no background), so the first damage inside the newly mapped window is
// its first shown frame. Peak memory is the kernel's resident-set high-water mark of the program,
// read when it is reaped.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kUsage = 2;
constexpr int kNoFrame = 1;
constexpr auto kChildCheck = std::chrono::milliseconds(20); // how often an early exit is noticed
constexpr std::uint8_t kEventTypeMask = 0x7f;               // the top bit marks sent events
constexpr int kConnectAttempts = 5;
constexpr auto kConnectRetryPause = std::chrono::milliseconds(100);

struct Options {
    std::chrono::milliseconds settle{500};
    std::chrono::milliseconds timeout{20'000};
    char** command = nullptr;
};

std::optional<Options> parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--" && i + 1 < argc) {
            options.command = argv + i + 1;
            return options;
        }
        if (i + 1 < argc && (arg == "--settle-ms" || arg == "--timeout-ms")) {
            const std::chrono::milliseconds value{std::strtol(argv[++i], nullptr, 10)};
            (arg == "--settle-ms" ? options.settle : options.timeout) = value;
            continue;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool overlaps(const Rect& other) const {
        return x < other.x + other.width && other.x < x + width && y < other.y + other.height &&
               other.y < y + height;
    }
};

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

std::optional<Rect> geometryOf(xcb_connection_t* connection, xcb_window_t window) {
    Reply<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr),
        &std::free);
    if (!reply) {
        return std::nullopt;
    }
    return Rect{reply->x, reply->y, reply->width, reply->height};
}

// A busy Xvfb now and then refuses a connection that succeeds a moment later.
xcb_connection_t* connect(int& screenNumber) {
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(connection) == 0) {
            return connection;
        }
        xcb_disconnect(connection);
        std::this_thread::sleep_for(kConnectRetryPause);
    }
    return nullptr;
}

pid_t launch(char** command) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::execvp(command[0], command);
        std::fprintf(stderr, "frame-watch: cannot run %s: %s\n", command[0], std::strerror(errno));
        ::_exit(127);
    }
    return child;
}

struct Watch {
    std::optional<Milliseconds> mapped;
    std::optional<Milliseconds> frame;
    bool exitedEarly = false;
};

// Reads events until the mapped window's first damage, the child's exit or the timeout.
Watch watchChild(xcb_connection_t* connection, std::uint8_t damageEvent, pid_t child,
                 Clock::time_point start, std::chrono::milliseconds timeout) {
    Watch watch;
    std::optional<Rect> window;
    const int fd = xcb_get_file_descriptor(connection);
    while (Clock::now() - start < timeout) {
        while (xcb_generic_event_t* raw = xcb_poll_for_event(connection)) {
            const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(raw, &std::free);
            const Milliseconds now = Clock::now() - start;
            const auto type = static_cast<std::uint8_t>(event->response_type & kEventTypeMask);
            if (type == XCB_MAP_NOTIFY && !window) {
                const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(raw);
                if (map->override_redirect == 0) {
                    window = geometryOf(connection, map->window);
                    watch.mapped = now;
                }
            } else if (type == damageEvent && window) {
                const auto* damage = reinterpret_cast<const xcb_damage_notify_event_t*>(raw);
                const Rect area{damage->area.x, damage->area.y, damage->area.width,
                                damage->area.height};
                if (area.overlaps(*window)) {
                    watch.frame = now;
                    return watch;
                }
            }
        }
        if (xcb_connection_has_error(connection) != 0) {
            return watch;
        }
        siginfo_t ended{};
        if (::waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            ended.si_pid == child) {
            watch.exitedEarly = true;
            return watch;
        }
        pollfd ready{fd, POLLIN, 0};
        ::poll(&ready, 1, static_cast<int>(kChildCheck.count()));
    }
    return watch;
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parse(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: frame-watch [--settle-ms N] [--timeout-ms N] -- PROGRAM "
                             "[ARGUMENT...]\n");
        return kUsage;
    }
    int screenNumber = 0;
    xcb_connection_t* connection = connect(screenNumber);
    if (connection == nullptr) {
        std::fprintf(stderr, "frame-watch: cannot open the X display\n");
        return kUsage;
    }
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_damage_id);
    if (extension == nullptr || extension->present == 0) {
        std::fprintf(stderr, "frame-watch: the X server has no DAMAGE extension\n");
        return kUsage;
    }
    std::free(xcb_damage_query_version_reply(
        connection,
        xcb_damage_query_version(connection, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
        nullptr));

    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&screens);
    }
    const xcb_window_t root = screens.data->root;
    const std::uint32_t substructure = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &substructure);
    // Damage to the root includes drawing into the windows it holds.
    xcb_damage_create(connection, xcb_generate_id(connection), root,
                      XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    // A round trip, so that both requests are in force before the program starts.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

    const Clock::time_point start = Clock::now();
    const pid_t child = launch(options->command);
    if (child < 0) {
        std::fprintf(stderr, "frame-watch: cannot fork: %s\n", std::strerror(errno));
        return kUsage;
    }
    const Watch watch = watchChild(
        connection, static_cast<std::uint8_t>(extension->first_event + XCB_DAMAGE_NOTIFY), child,
        start, options->timeout);
    if (watch.frame) {
        std::this_thread::sleep_for(options->settle);
    }
    ::kill(child, SIGTERM);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    xcb_disconnect(connection);

    if (!watch.frame) {
        std::fprintf(stderr, "frame-watch: %s\n",
                     watch.exitedEarly ? "the program ended before it showed a window"
                                       : "no frame before the timeout");
        return kNoFrame;
    }
    std::printf("map_ms=%.2f frame_ms=%.2f maxrss_kb=%ld\n", watch.mapped->count(),
                watch.frame->count(), usage.ru_maxrss);
    return 0;
}
