// One hidraw node, opened, written and read by the tool itself.
#pragma once

#include "HidPlatform.h"

#include <string>

namespace tandrel {

// Opens the node for reading and writing; refuses a node that is not a hidraw device.
OpenResult openHidrawNode(const std::string& path);

} // namespace tandrel
