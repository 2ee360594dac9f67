// HidPlatform on Linux: hidapi's hidraw backend lists the interfaces, and the tool opens, reads and
// writes their hidraw nodes itself. Neither touches the keyboard's kernel driver, so it keeps
// typing.
#pragma once

#include "HidPlatform.h"

namespace tandrel {

class LinuxHidPlatform final : public HidPlatform {
public:
    LinuxHidPlatform();
    ~LinuxHidPlatform() override;
    LinuxHidPlatform(const LinuxHidPlatform&) = delete;
    LinuxHidPlatform& operator=(const LinuxHidPlatform&) = delete;

    std::optional<std::vector<HidInterface>> listInterfaces() override;
    OpenResult open(const std::string& path) override;

private:
    bool started_ = false;
};

} // namespace tandrel
