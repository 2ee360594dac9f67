// Placement of a hidraw payload in the 65-byte image.
#include "HidrawFraming.h"

#include <algorithm>

namespace tandrel {

Report imageFromPayload(std::span<const std::uint8_t> payload) {
    Report image{};
    const std::size_t count = std::min(payload.size(), kPayloadSize);
    std::copy_n(payload.begin(), count, image.begin() + 1);
    return image;
}

} // namespace tandrel
