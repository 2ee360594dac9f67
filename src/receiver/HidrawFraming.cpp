// Placement of a hidraw payload in the 65-byte image, and one entry per hidraw path.
#include "HidrawFraming.h"

#include <algorithm>
#include <unordered_set>

namespace tandrel {

Report imageFromPayload(std::span<const std::uint8_t> payload) {
    Report image{};
    const std::size_t count = std::min(payload.size(), kPayloadSize);
    std::copy_n(payload.begin(), count, image.begin() + 1);
    return image;
}

std::vector<HidInterface> onePerPath(std::vector<HidInterface> interfaces) {
    std::unordered_set<std::string> seen;
    std::erase_if(interfaces,
                  [&seen](const HidInterface& i) { return !seen.insert(i.path).second; });
    return interfaces;
}

} // namespace tandrel
