// The device side of the test receiver inside the test machine: records the output reports that
// reach each of the gadget's three HID interfaces and answers as a receiver would.
// usage: vm_gadget answer|silent LOGDIR READYFILE HIDG0 HIDG1 HIDG2
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

using Payload = std::array<std::uint8_t, 64>; // the gadget's report length; no report ids

// A paired keyboard: firmware 1.05, model 0082, switch code 2, colour code 3. Positions are those
// of the host's 65-byte image, one less in the payload. Bytes 6 and 64 carry values nothing
// reads, so that an answer shifted by a byte shows in the decoded texts.
Payload answer(std::uint8_t linkStatus) {
    Payload a{};
    const std::pair<std::size_t, std::uint8_t> bytes[] = {{4, 0x05},  {5, 0x01},  {6, 0xee},
                                                          {7, 0x4b},  {13, 0x42}, {17, 0x02},
                                                          {18, 0x03}, {40, 0x82}, {64, 0xa5}};
    for (const auto& [position, value] : bytes) {
        a[position - 1] = value;
    }
    a[39 - 1] = linkStatus;
    return a;
}

// Interfaces 0 and 1 answer too, plausibly but wrongly, tagged with their number.
Payload decoy(std::uint8_t interfaceNumber) {
    Payload d{};
    d.fill(0xdc);
    d[0] = interfaceNumber;
    d[39 - 1] = 0x03;
    return d;
}

// Each line is flushed at once, because the test stops this program with a signal.
void record(std::FILE* log, const char* direction, const std::uint8_t* bytes, ssize_t count) {
    std::fprintf(log, "%s ", direction);
    for (ssize_t i = 0; i < count; ++i) {
        std::fprintf(log, "%02x", bytes[i]);
    }
    std::fprintf(log, "\n");
    std::fflush(log);
}

void send(int fd, std::FILE* log, const Payload& payload) {
    // Non-blocking: a host that never reads must not stall the other interfaces.
    if (::write(fd, payload.data(), payload.size()) == static_cast<ssize_t>(payload.size())) {
        record(log, "out", payload.data(), static_cast<ssize_t>(payload.size()));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        return 2;
    }
    const bool answers = std::string(argv[1]) == "answer";
    std::array<pollfd, 3> waits{};
    std::array<std::FILE*, 3> logs{};
    for (std::size_t i = 0; i < 3; ++i) {
        waits[i] = {::open(argv[4 + i], O_RDWR | O_NONBLOCK | O_CLOEXEC), POLLIN, 0};
        logs[i] =
            std::fopen((std::string(argv[2]) + "/if" + std::to_string(i) + ".log").c_str(), "a");
        if (waits[i].fd < 0 || logs[i] == nullptr) {
            std::perror(argv[4 + i]);
            return 1;
        }
    }
    std::FILE* ready = std::fopen(argv[3], "w"); // reports sent from now on are seen
    if (ready == nullptr || std::fclose(ready) != 0) {
        return 1;
    }

    int pairingQueriesLeft = 0;
    while (::poll(waits.data(), waits.size(), -1) >= 0 || errno == EINTR) {
        for (std::uint8_t i = 0; i < 3; ++i) {
            Payload got{};
            const ssize_t count =
                (waits[i].revents & POLLIN) ? ::read(waits[i].fd, got.data(), got.size()) : 0;
            if (count <= 0) {
                continue;
            }
            record(logs[i], "in", got.data(), count);
            if (i != 2) {
                send(waits[i].fd, logs[i], decoy(i));
            } else if (answers && got[0] == 0x03 && got[1] == 0x8e) {
                pairingQueriesLeft = 1; // the next query sees the pairing, later ones the link
            } else if (answers && got[0] == 0x03 && got[1] == 0x03 && got[2] == 0x8f) {
                send(waits[i].fd, logs[i], answer(pairingQueriesLeft-- > 0 ? 0x01 : 0x03));
            }
        }
    }
    return 1;
}
