// The state an update run shares with the UI thread: status texts under a lock, counters as
// 64-bit atomics that the UI reads every 250 ms while the worker writes them.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace duskmere {

// Run state codes as the page knows them.
enum RunState : std::int32_t {
  kStateChecking = 1,
  kStateVerifying = 2,
  kStateDownloading = 3,
  kStatePaused = 4,
  kStateError = 5,
  kStateReady = 6,
};

struct RunProgress {
  std::mutex statusLock;
  // Guarded by statusLock.
  std::int32_t state = 0;
  std::string message;
  std::string detail;
  std::string currentItem;

  std::atomic<std::int64_t> currentFileBytes{0};
  std::atomic<std::int64_t> currentFileSize{0};
  std::atomic<std::int64_t> bytesDone{0};
  std::atomic<std::int64_t> carriedBytes{0};
  std::atomic<std::int64_t> bytesTotal{0};
  std::atomic<std::int32_t> filesDone{0};
  std::atomic<std::int32_t> filesTotal{0};
  std::atomic<std::int32_t> shownVersion{0};

  // Polled between files and between scan entries.
  std::atomic<bool> cancelRequested{false};
};

// Sets currentItem under the status lock.
void setCurrentItem(RunProgress& progress, const std::string& item);

}  // namespace duskmere
