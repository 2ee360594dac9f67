// The device side of the test receiver inside the test machine: reads the output reports that
// reach each of the gadget's three HID interfaces, records them, and answers as a receiver would.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <span>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

constexpr std::size_t kPayloadSize = 64; // the gadget's report length; no report ids
using Payload = std::array<std::uint8_t, kPayloadSize>;
constexpr std::size_t kInterfaceCount = 3;
constexpr std::size_t kCommandInterface = 2;

// Answer positions are those of the 65-byte image the host builds, so one less in the payload.
constexpr std::size_t payloadIndex(std::size_t imageIndex) {
    return imageIndex - 1;
}

enum class Link : std::uint8_t { Connected = 3, Pairing = 1 };

// A keyboard is paired: firmware 1.05, model 0082, switch code 2, colour code 3. Bytes 6 and
// 64 carry values nothing reads, so that an answer shifted by a byte shows in the decoded texts.
Payload answerFor(Link link) {
    Payload answer{};
    answer[payloadIndex(4)] = 0x05;
    answer[payloadIndex(5)] = 0x01;
    answer[payloadIndex(6)] = 0xee;
    answer[payloadIndex(7)] = 0x4b;
    answer[payloadIndex(13)] = 0x42;
    answer[payloadIndex(17)] = 0x02;
    answer[payloadIndex(18)] = 0x03;
    answer[payloadIndex(39)] = static_cast<std::uint8_t>(link);
    answer[payloadIndex(40)] = 0x82;
    answer[payloadIndex(41)] = 0x00;
    answer[payloadIndex(64)] = 0xa5;
    return answer;
}

// What interfaces 0 and 1 send back: plausible but wrong, and tagged with the interface.
Payload decoyFor(std::size_t interfaceNumber) {
    Payload decoy{};
    decoy.fill(0xdc);
    decoy[payloadIndex(39)] = 0x03;
    decoy[0] = static_cast<std::uint8_t>(interfaceNumber);
    return decoy;
}

bool startsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

class Interface {
public:
    bool open(const char* device, const std::string& logPath) {
        fd_ = ::open(device, O_RDWR | O_NONBLOCK | O_CLOEXEC);
        log_ = std::fopen(logPath.c_str(), "a");
        return fd_ >= 0 && log_ != nullptr;
    }
    int fd() const { return fd_; }

    // Each line is flushed at once, because the test stops this program with a signal.
    void record(const char* direction, std::span<const std::uint8_t> bytes) {
        std::fprintf(log_, "%s ", direction);
        for (const std::uint8_t byte : bytes) {
            std::fprintf(log_, "%02x", byte);
        }
        std::fprintf(log_, "\n");
        std::fflush(log_);
    }

    void send(const Payload& payload) {
        // A host that never reads must not stall the other interfaces, hence non-blocking.
        if (::write(fd_, payload.data(), payload.size()) == static_cast<ssize_t>(payload.size())) {
            record("out", payload);
        } else {
            std::fprintf(log_, "out-failed %s\n", std::strerror(errno));
            std::fflush(log_);
        }
    }

private:
    int fd_ = -1;
    std::FILE* log_ = nullptr;
};

class Receiver {
public:
    explicit Receiver(bool answers) : answers_(answers) {}

    void onOutputReport(std::size_t number, Interface& from, std::span<const std::uint8_t> got) {
        from.record("in", got);
        if (number != kCommandInterface) {
            from.send(decoyFor(number));
            return;
        }
        if (!answers_) {
            return;
        }
        if (startsWith(got, {0x03, 0x8e})) {
            // The first query after a pair command sees the pairing, later ones the connection.
            pairingQueriesLeft_ = 1;
        } else if (startsWith(got, {0x03, 0x03, 0x8f})) {
            const bool pairing = pairingQueriesLeft_ > 0;
            if (pairing) {
                --pairingQueriesLeft_;
            }
            from.send(answerFor(pairing ? Link::Pairing : Link::Connected));
        }
    }

private:
    bool answers_;
    int pairingQueriesLeft_ = 0;
};

int usage() {
    std::fprintf(stderr, "usage: vm_gadget answer|silent LOGDIR READYFILE HIDG0 HIDG1 HIDG2\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 + static_cast<int>(kInterfaceCount)) {
        return usage();
    }
    const std::string_view mode = argv[1];
    if (mode != "answer" && mode != "silent") {
        return usage();
    }
    const std::string logDir = argv[2];

    std::array<Interface, kInterfaceCount> interfaces;
    std::array<pollfd, kInterfaceCount> waits{};
    for (std::size_t i = 0; i < kInterfaceCount; ++i) {
        const std::string log = logDir + "/if" + std::to_string(i) + ".log";
        if (!interfaces[i].open(argv[4 + i], log)) {
            std::fprintf(stderr, "vm_gadget: cannot open %s: %s\n", argv[4 + i],
                         std::strerror(errno));
            return 1;
        }
        waits[i] = {interfaces[i].fd(), POLLIN, 0};
    }
    // Tells the test script that reports sent from now on are seen.
    if (std::FILE* ready = std::fopen(argv[3], "w")) {
        std::fclose(ready);
    } else {
        return 1;
    }

    Receiver receiver(mode == "answer");
    for (;;) {
        if (::poll(waits.data(), waits.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return 1;
        }
        for (std::size_t i = 0; i < kInterfaceCount; ++i) {
            if ((waits[i].revents & POLLIN) == 0) {
                continue;
            }
            Payload got{};
            const ssize_t count = ::read(waits[i].fd, got.data(), got.size());
            if (count > 0) {
                receiver.onOutputReport(i, interfaces[i],
                                        std::span(got.data(), static_cast<std::size_t>(count)));
            }
        }
    }
}
