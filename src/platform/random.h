// Random bytes from the operating system's random source.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace duskmere::platform {

// Sixteen random bytes for a new unique id; nothing when the system source fails.
std::optional<std::array<std::uint8_t, 16>> randomGuidBytes();

}  // namespace duskmere::platform
