#include "platform/random.h"

#include <sys/random.h>

namespace duskmere::platform {

std::optional<std::array<std::uint8_t, 16>> randomGuidBytes() {
  std::array<std::uint8_t, 16> bytes{};
  if (::getrandom(bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace duskmere::platform
