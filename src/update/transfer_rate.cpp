#include "update/transfer_rate.h"

#include <algorithm>

namespace duskmere {

TransferRate sampleTransferRate(const TransferRateState& previous, std::int64_t now,
                                std::int64_t downloadedBytes, std::int64_t totalBytes) {
  TransferRate rate;
  rate.next = previous;
  if (previous.lastSampleAt > 0 && now > previous.lastSampleAt) {
    // A new run starts again from 0 bytes: the negative difference counts as no progress.
    const double instant =
        std::max(0.0, static_cast<double>(downloadedBytes - previous.lastSampleBytes) * 1000.0 /
                          static_cast<double>(now - previous.lastSampleAt));
    rate.next.smoothedBytesPerSecond = previous.smoothedBytesPerSecond <= 0
                                           ? instant
                                           : 0.3 * instant + 0.7 * previous.smoothedBytesPerSecond;
  }
  rate.next.lastSampleAt = now;
  rate.next.lastSampleBytes = downloadedBytes;
  rate.bytesPerSecond = rate.next.smoothedBytesPerSecond;
  if (rate.bytesPerSecond > 1024) {
    // Received can run ahead of the total while a refused resume is being taken back.
    rate.secondsLeft =
        std::max(0.0, static_cast<double>(totalBytes - downloadedBytes) / rate.bytesPerSecond);
  }
  return rate;
}

}  // namespace duskmere
