#include "update/update_engine.h"

#include <algorithm>
#include <utility>

#include "config/constants.h"
#include "update/download_transport.h"
#include "update/update_run.h"

namespace duskmere {

double progressPercent(std::int32_t state, std::int64_t downloadedBytes, std::int64_t totalBytes,
                       std::int32_t filesDone, std::int32_t filesTotal) {
  double percent = 0;
  if (state == kStateVerifying) {
    if (filesTotal > 0)
      percent = static_cast<double>(filesDone) * 100.0 / static_cast<double>(filesTotal);
  } else if (totalBytes > 0) {
    percent = static_cast<double>(downloadedBytes) * 100.0 / static_cast<double>(totalBytes);
  }
  return std::min(percent, 100.0);
}

UpdateEngine::UpdateEngine() : UpdateEngine(kPatchHost) {}

UpdateEngine::UpdateEngine(std::string updateHost) : updateHost_(std::move(updateHost)) {}

UpdateEngine::~UpdateEngine() {
  stop();
}

void UpdateEngine::setMessageTarget(MessageTarget target) {
  std::lock_guard lock(targetLock_);
  target_ = std::move(target);
}

void UpdateEngine::setGamePath(const std::filesystem::path& gamePath) {
  gamePath_ = gamePath;
}

std::filesystem::path UpdateEngine::gamePath() const {
  return gamePath_;
}

void UpdateEngine::start(bool repair) {
  if (busy_.load())
    return;
  if (worker_.joinable())
    worker_.join();
  progress_.cancelRequested.store(false);
  paused_.store(false);
  setDownloadAbort(false);
  busy_.store(true);
  // The run works on its own copy of the folder, so a later setGamePath cannot race it.
  worker_ = std::thread([this, folder = gamePath_, repair] {
    runUpdate(*this, folder, repair);
    busy_.store(false);
  });
}

bool UpdateEngine::pause() {
  if (!busy_.load())
    return downloadAbortRequested();
  // Both under the pause lock, so a worker that is just leaving its wait cannot clear the
  // abort flag of this newer pause.
  std::lock_guard lock(pauseLock_);
  paused_.store(true);
  return setDownloadAbort(true);
}

void UpdateEngine::resume() {
  {
    std::lock_guard lock(pauseLock_);
    paused_.store(false);
  }
  pauseSignal_.notify_all();
}

void UpdateEngine::stop() {
  // Without a worker there is no run to cancel, and no transfer of ours to abort.
  if (!worker_.joinable())
    return;
  progress_.cancelRequested.store(true);
  setDownloadAbort(true);
  {
    std::lock_guard lock(pauseLock_);
    paused_.store(false);
  }
  pauseSignal_.notify_all();
  if (worker_.get_id() == std::this_thread::get_id())
    return;
  worker_.join();
  // No transfer of this engine is left to abort; a later version probe must not fail on it.
  setDownloadAbort(false);
}

void UpdateEngine::waitUntilIdle() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id())
    worker_.join();
}

ProgressSnapshot UpdateEngine::snapshot() {
  ProgressSnapshot snapshot;
  std::lock_guard lock(progress_.statusLock);
  snapshot.state = progress_.state;
  snapshot.message = progress_.message;
  snapshot.detail = progress_.detail;
  snapshot.currentItem = progress_.currentItem;
  snapshot.downloadedBytes = progress_.bytesDone.load();
  snapshot.runBytes = snapshot.downloadedBytes + progress_.carriedBytes.load();
  snapshot.totalBytes = progress_.bytesTotal.load();
  snapshot.filesDone = progress_.filesDone.load();
  snapshot.filesTotal = progress_.filesTotal.load();
  snapshot.version = progress_.shownVersion.load();
  snapshot.percent = progressPercent(snapshot.state, snapshot.downloadedBytes, snapshot.totalBytes,
                                     snapshot.filesDone, snapshot.filesTotal);
  return snapshot;
}

SelfUpdateRequest UpdateEngine::offeredLauncherUpdate() {
  std::lock_guard lock(launcherInfoLock_);
  return offeredLauncher_;
}

void UpdateEngine::postStatus(std::int32_t state, const std::string& message,
                              const std::string& detail) {
  {
    std::lock_guard lock(progress_.statusLock);
    progress_.state = state;
    progress_.message = message;
    progress_.detail = detail;
  }
  post(WM_APP_UPDATE_STATE);
}

bool UpdateEngine::waitWhilePaused() {
  postStatus(kStatePaused, "", "");
  {
    std::unique_lock lock(pauseLock_);
    pauseSignal_.wait(lock, [this] { return !paused_.load() || cancelRequested(); });
    if (cancelRequested())
      return false;
    setDownloadAbort(false);
  }
  postStatus(kStateDownloading, "", "");
  return true;
}

void UpdateEngine::offerLauncherUpdate(const SelfUpdateRequest& request) {
  std::lock_guard lock(launcherInfoLock_);
  offeredLauncher_ = request;
}

void UpdateEngine::post(AppMessage message) {
  std::function<void(AppMessage)> post;
  {
    std::lock_guard lock(targetLock_);
    post = target_.post;
  }
  if (post)
    post(message);
}

}  // namespace duskmere
