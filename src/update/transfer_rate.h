// The download speed and time-left estimate shown while files download, smoothed over the
// 250 ms progress samples. Shared by the page's progress push and the headless patcher.
#pragma once

#include <cstdint>
#include <optional>

namespace duskmere {

struct TransferRateState {
  std::int64_t lastSampleAt = 0;  // wall-clock milliseconds; 0 before the first sample
  std::int64_t lastSampleBytes = 0;
  double smoothedBytesPerSecond = 0;
};

struct TransferRate {
  TransferRateState next;  // the state to pass to the following sample
  double bytesPerSecond = 0;
  std::optional<double> secondsLeft;  // only once the speed is above 1 KiB/s
};

// One sample at `now` (milliseconds) with `downloadedBytes` of `totalBytes` received.
TransferRate sampleTransferRate(const TransferRateState& previous, std::int64_t now,
                                std::int64_t downloadedBytes, std::int64_t totalBytes);

}  // namespace duskmere
