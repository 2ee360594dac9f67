// The device side of the test receiver inside the test machine: answers on the gadget's three HID
// interfaces as a receiver would and prints each report that passes as "INTERFACE in|out HEX".
// usage: vm_gadget answer|silent|hung (hung: interface 2 is never read, so it stops taking
// commands once the function's queued requests are full)
#include <array>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <utility>

namespace {

using Payload = std::array<std::uint8_t, 64>; // the gadget's report length; no report ids

void record(std::size_t interface, const char* direction, const Payload& bytes, ssize_t count) {
    std::printf("%zu %s ", interface, direction);
    for (ssize_t i = 0; i < count; ++i) {
        std::printf("%02x", bytes[static_cast<std::size_t>(i)]);
    }
    std::printf("\n");
}

// A paired keyboard: firmware 1.05, model 0082, switch code 2, colour code 3. Positions are those
// of the host's 65-byte image, one less in the payload. Bytes 6 and 64 carry values nothing
// reads, so that an answer shifted by a byte shows in the decoded texts.
Payload answer(std::uint8_t linkStatus) {
    Payload a{};
    const std::pair<std::size_t, std::uint8_t> bytes[] = {
        {4, 0x05},  {5, 0x01},  {6, 0xee},  {7, 0x4b},        {13, 0x42},
        {17, 0x02}, {18, 0x03}, {40, 0x82}, {39, linkStatus}, {64, 0xa5}};
    for (const auto& [position, value] : bytes) {
        a[position - 1] = value;
    }
    return a;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 2 ? argv[1] : "";
    const bool answers = mode == "answer";
    // Line by line, because the test stops this program with a signal.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::array<pollfd, 3> waits{};
    for (std::size_t i = 0; i < 3; ++i) {
        // Non-blocking: a host that never reads must not stall the other interfaces.
        const std::string path = "/dev/hidg" + std::to_string(i);
        const short events = i == 2 && mode == "hung" ? 0 : POLLIN;
        waits[i] = {::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC), events, 0};
        if (waits[i].fd < 0) {
            std::perror(path.c_str());
            return 1;
        }
    }
    std::printf("listening\n"); // reports sent from now on are seen

    int pairingQueriesLeft = 0;
    while (::poll(waits.data(), waits.size(), -1) > 0) {
        for (std::size_t i = 0; i < 3; ++i) {
            Payload got{};
            const ssize_t count =
                (waits[i].revents & POLLIN) ? ::read(waits[i].fd, got.data(), got.size()) : 0;
            if (count <= 0) {
                continue;
            }
            record(i, "in", got, count);
            Payload reply{};
            if (i != 2) { // interfaces 0 and 1 answer too, plausibly but wrongly, tagged with i
                reply.fill(0xdc);
                reply[0] = static_cast<std::uint8_t>(i);
                reply[39 - 1] = 0x03;
            } else if (answers && got[0] == 0x03 && got[1] == 0x8e) {
                pairingQueriesLeft = 1; // the next query sees the pairing, later ones the link
                continue;
            } else if (answers && got[0] == 0x03 && got[1] == 0x03 && got[2] == 0x8f) {
                reply = answer(pairingQueriesLeft-- > 0 ? 0x01 : 0x03);
            } else {
                continue;
            }
            if (::write(waits[i].fd, reply.data(), reply.size()) == ssize_t{64}) {
                record(i, "out", reply, 64);
            }
        }
    }
    return 1;
}
