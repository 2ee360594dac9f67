// The only file that talks to hidapi.
#include "HidapiPlatform.h"

#include "HidrawFraming.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <hidapi/hidapi.h>
#include <unistd.h>
#include <utility>

namespace tandrel {
namespace {

class HidapiHandle final : public HidHandle {
public:
    explicit HidapiHandle(hid_device* device) : device_(device) {}
    ~HidapiHandle() override { hid_close(device_); }
    HidapiHandle(const HidapiHandle&) = delete;
    HidapiHandle& operator=(const HidapiHandle&) = delete;

    bool write(const Report& report) override {
        // Byte 0 is report id 0, which the kernel drops before the payload goes out.
        return hid_write(device_, report.data(), report.size()) >= 0;
    }

    bool read(Report& into) override {
        std::array<std::uint8_t, kPayloadSize> payload{};
        const int got = hid_read_timeout(device_, payload.data(), payload.size(),
                                         static_cast<int>(kReadTimeout.count()));
        if (!readDelivered(got)) {
            return false;
        }
        into = imageFromPayload(std::span(payload.data(), static_cast<std::size_t>(got)));
        return true;
    }

private:
    hid_device* device_;
};

// hidapi does not say why an open failed; asking the kernel directly does.
OpenError classifyOpenFailure(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return OpenError::Other;
    }
    switch (errno) {
    case EACCES:
    case EPERM:
        return OpenError::PermissionDenied;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return OpenError::NotFound;
    default:
        return OpenError::Other;
    }
}

std::string narrow(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

} // namespace

HidapiPlatform::HidapiPlatform() : started_(hid_init() == 0) {}

HidapiPlatform::~HidapiPlatform() {
    if (started_) {
        hid_exit();
    }
}

std::optional<std::vector<HidInterface>> HidapiPlatform::listInterfaces() {
    if (!started_) {
        return std::nullopt;
    }
    std::vector<HidInterface> interfaces;
    hid_device_info* const all = hid_enumerate(0, 0);
    for (const hid_device_info* info = all; info != nullptr; info = info->next) {
        interfaces.push_back(
            {narrow(info->path), info->vendor_id, info->product_id, info->interface_number});
    }
    hid_free_enumeration(all);
    return onePerPath(std::move(interfaces));
}

OpenResult HidapiPlatform::open(const std::string& path) {
    OpenResult result;
    if (hid_device* device = hid_open_path(path.c_str())) {
        result.handle = std::make_unique<HidapiHandle>(device);
    } else {
        result.error = classifyOpenFailure(path);
    }
    return result;
}

} // namespace tandrel
