// The process-wide cap on download speed, read afresh by every file download.
#pragma once

#include <cstdint>

namespace duskmere {

// Bytes per second; 0 or less means unlimited.
void setDownloadRateLimit(std::int64_t bytesPerSecond);
std::int64_t downloadRateLimit();

// A limit in MiB per second as the settings store it, in bytes per second.
constexpr std::int64_t rateLimitBytesPerSecond(int mebibytesPerSecond) {
  return static_cast<std::int64_t>(mebibytesPerSecond) * 1048576;
}

}  // namespace duskmere
