#include "config/download_rate_limit.h"

#include <atomic>

namespace duskmere {
namespace {
std::atomic<std::int64_t> rateLimit{0};
}  // namespace

void setDownloadRateLimit(std::int64_t bytesPerSecond) {
  rateLimit.store(bytesPerSecond);
}

std::int64_t downloadRateLimit() {
  return rateLimit.load();
}

}  // namespace duskmere
