// Knobs of the download transport that tests turn; the launcher never calls these.
#pragma once

#include <chrono>
#include <cstdint>

namespace duskmere {

// How long a transfer may go without receiving a byte before it is abandoned (60 seconds
// unless changed).
void setDownloadStallLimit(std::chrono::milliseconds limit);
std::chrono::milliseconds downloadStallLimit();

// The most a download into memory may receive before it fails.
constexpr std::int64_t kMaxMemoryDownloadBytes = 64 * 1024 * 1024;

}  // namespace duskmere
