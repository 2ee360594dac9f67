// HidPlatform on Linux: hidapi's hidraw backend lists the interfaces, and their hidraw nodes are
// read and written directly. Neither touches the keyboard's kernel driver, so it keeps typing.
#pragma once

#include "HidPlatform.h"

namespace tandrel {

class HidapiPlatform final : public HidPlatform {
public:
    HidapiPlatform();
    ~HidapiPlatform() override;
    HidapiPlatform(const HidapiPlatform&) = delete;
    HidapiPlatform& operator=(const HidapiPlatform&) = delete;

    std::optional<std::vector<HidInterface>> listInterfaces() override;
    OpenResult open(const std::string& path) override;

private:
    bool started_ = false;
};

} // namespace tandrel
