// The one record of the receiver link: the held interface and the latest stored answer.
#pragma once

#include "HidPlatform.h"
#include "Reports.h"

#include <memory>

namespace tandrel {

struct DeviceRecord {
    std::unique_ptr<HidHandle> receiverHandle;
    Report lastReport{};

    void clearLastReport() { lastReport.fill(0); }
    // Replaces all 65 bytes in one step, so the record never mixes two answers.
    void storeAnswer(const Report& answer) { lastReport = answer; }
};

} // namespace tandrel
