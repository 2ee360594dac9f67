// The only file that talks to hidapi: it lists the interfaces; hidraw nodes are opened by
// HidrawNode.
#include "LinuxHidPlatform.h"

#include "HidrawFraming.h"
#include "HidrawNode.h"

#include <hidapi/hidapi.h>
#include <utility>

namespace tandrel {
namespace {

std::string narrow(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

} // namespace

LinuxHidPlatform::LinuxHidPlatform() : started_(hid_init() == 0) {}

LinuxHidPlatform::~LinuxHidPlatform() {
    if (started_) {
        hid_exit();
    }
}

std::optional<std::vector<HidInterface>> LinuxHidPlatform::listInterfaces() {
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

OpenResult LinuxHidPlatform::open(const std::string& path) {
    return openHidrawNode(path);
}

} // namespace tandrel
