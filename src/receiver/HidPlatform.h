// The seam between the receiver logic and the operating system's HID devices.
#pragma once

#include "Reports.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tandrel {

struct HidInterface {
    std::string path; // empty when the platform could not produce one; such an entry is passed over
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int interfaceNumber = -1;
};

enum class OpenError { PermissionDenied, NotFound, Other };

// TimedOut is the kernel giving up on the USB transfer: the receiver has stopped taking commands.
enum class WriteResult { Written, Failed, TimedOut };

// One open interface. Closing happens in the destructor, so no handle can be forgotten.
class HidHandle {
public:
    virtual ~HidHandle() = default;
    // Sends all 65 bytes, report id first.
    virtual WriteResult write(const Report& report) = 0;
    // Waits a bounded time for one input report and lays it out as a 65-byte image in `into`.
    // False on error or when the wait runs out.
    virtual bool read(Report& into) = 0;
};

struct OpenResult {
    std::unique_ptr<HidHandle> handle; // null when the open failed
    OpenError error = OpenError::Other;
};

class HidPlatform {
public:
    virtual ~HidPlatform() = default;
    // The present HID interfaces in a stable order; nullopt when the platform cannot enumerate
    // at all. An empty list is a normal answer.
    virtual std::optional<std::vector<HidInterface>> listInterfaces() = 0;
    // Room for one interface's path record. Real platforms always have it.
    virtual bool reserveScratchBuffer() { return true; }
    // Opens for reading and writing without locking other programs out.
    virtual OpenResult open(const std::string& path) = 0;
};

} // namespace tandrel
