// What the window's behaviour remembers for the whole run, owned by the application object.
#pragma once

#include <cstdint>

namespace tandrel {

namespace connection {
constexpr std::int32_t kNotConnected = 0; // also: no receiver
constexpr std::int32_t kConnected = 1;
constexpr std::int32_t kPairing = 2;
} // namespace connection

struct SessionState {
    std::int32_t ConnectionState = connection::kNotConnected;
    // Which pairing text the next pairing poll shows: 0, 1 or 2.
    std::int32_t PairingTextStep = 0;
};

} // namespace tandrel
