// Reads and writes of a hidraw node: the report id that reads drop, the bounded read, and a write
// that the kernel gave up on.
#include "HidrawNode.h"

#include "HidrawFraming.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <optional>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tandrel {
namespace {

class HidrawHandle final : public HidHandle {
public:
    explicit HidrawHandle(int fd) : fd_(fd) {}
    ~HidrawHandle() override { ::close(fd_); }
    HidrawHandle(const HidrawHandle&) = delete;
    HidrawHandle& operator=(const HidrawHandle&) = delete;

    // Byte 0 is report id 0, which the kernel drops before the payload goes out. The write waits
    // in the kernel for the USB transfer, up to its time-out, and nothing can cut that wait short.
    WriteResult write(const Report& report) override {
        if (::write(fd_, report.data(), report.size()) >= 0) {
            return WriteResult::Written;
        }
        return errno == ETIMEDOUT ? WriteResult::TimedOut : WriteResult::Failed;
    }

    bool read(Report& into) override {
        pollfd wait{fd_, POLLIN, 0};
        int ready = 0;
        do {
            ready = ::poll(&wait, 1, static_cast<int>(kReadTimeout.count()));
        } while (ready < 0 && errno == EINTR);
        if (ready <= 0 || (wait.revents & POLLIN) == 0) {
            return false;
        }
        std::array<std::uint8_t, kPayloadSize> payload{};
        const ssize_t got = ::read(fd_, payload.data(), payload.size());
        const std::optional<Report> image = imageFromRead(static_cast<int>(got), payload);
        if (image) {
            into = *image;
        }
        return image.has_value();
    }

private:
    int fd_;
};

} // namespace

// hidapi 0.13's hid_open_path crashes when the node it opened fails its first ioctl, as a
// receiver pulled out at that moment does; opening the node here also tells why an open failed,
// which hidapi does not.
OpenResult openHidrawNode(const std::string& path) {
    OpenResult result;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        result.error = openErrorFromErrno(errno);
        return result;
    }
    // Only a hidraw node answers this.
    int descriptorSize = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &descriptorSize) < 0) {
        result.error = errno == ENODEV ? OpenError::NotFound : OpenError::Other;
        ::close(fd);
        return result;
    }
    result.handle = std::make_unique<HidrawHandle>(fd);
    return result;
}

} // namespace tandrel
