// A hidraw read as a 65-byte image, open errors, and one entry per hidraw path.
#include "HidrawFraming.h"

#include <algorithm>
#include <cerrno>
#include <unordered_set>

namespace tandrel {

std::optional<Report> imageFromRead(int bytesRead, std::span<const std::uint8_t> payload) {
    if (bytesRead <= 0) {
        return std::nullopt;
    }
    Report image{};
    const std::size_t count =
        std::min({payload.size(), static_cast<std::size_t>(bytesRead), kPayloadSize});
    std::copy_n(payload.begin(), count, image.begin() + 1);
    return image;
}

OpenError openErrorFromErrno(int error) {
    switch (error) {
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

std::vector<HidInterface> onePerPath(std::vector<HidInterface> interfaces) {
    std::unordered_set<std::string> seen;
    std::erase_if(interfaces,
                  [&seen](const HidInterface& i) { return !seen.insert(i.path).second; });
    return interfaces;
}

} // namespace tandrel
