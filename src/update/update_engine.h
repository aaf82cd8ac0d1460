// The update engine: the one worker thread on which update runs execute, the controls the UI
// uses on it, and the progress it shares with the UI while files are checked and downloaded.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "update/app_messages.h"
#include "update/run_progress.h"
#include "update/self_update_request.h"

namespace duskmere {

// A copy of the engine's progress, taken under its status lock.
struct ProgressSnapshot {
  std::int32_t state = 0;
  std::string message;
  std::string detail;
  std::string currentItem;
  std::int64_t downloadedBytes = 0;  // bytes of the current phase
  std::int64_t runBytes = 0;         // bytes of the whole run, earlier phases included
  std::int64_t totalBytes = 0;
  std::int32_t filesDone = 0;
  std::int32_t filesTotal = 0;
  double percent = 0;  // files while verifying, bytes otherwise; at most 100
  std::int32_t version = 0;
};

// Percentage of a snapshot's counters in `state`.
double progressPercent(std::int32_t state, std::int64_t downloadedBytes, std::int64_t totalBytes,
                       std::int32_t filesDone, std::int32_t filesTotal);

class UpdateEngine {
 public:
  // `updateHost` is the scheme-less host the runs download from and name in their messages.
  UpdateEngine();
  explicit UpdateEngine(std::string updateHost);
  ~UpdateEngine();
  UpdateEngine(const UpdateEngine&) = delete;
  UpdateEngine& operator=(const UpdateEngine&) = delete;

  // Controls, all called from one controlling thread (the UI thread).

  // Where state changes and the launcher offer are posted; none is posted while it is empty.
  void setMessageTarget(MessageTarget target);
  // Takes effect for the next run.
  void setGamePath(const std::filesystem::path& gamePath);
  std::filesystem::path gamePath() const;
  const std::string& updateHost() const { return updateHost_; }

  // Starts a run (repair: checks every file and never takes the shortcut or the install).
  // Ignored while a run is busy.
  void start(bool repair);
  // Makes the running transfer stop and wait; the previous value of the abort flag.
  bool pause();
  void resume();
  // Cancels the run, wakes a paused one, and waits for the worker to end.
  void stop();
  // Waits for the current run to end by itself.
  void waitUntilIdle();
  bool busy() const { return busy_.load(); }

  ProgressSnapshot snapshot();
  SelfUpdateRequest offeredLauncherUpdate();

  // The next run does not offer a launcher update; that run clears the flag.
  void setSkipLauncherCheckOnce(bool skip) { skipLauncherCheckOnce_.store(skip); }
  bool skipLauncherCheckOnce() const { return skipLauncherCheckOnce_.load(); }

  // Worker side: what a run writes and waits on.

  RunProgress& progress() { return progress_; }
  bool cancelRequested() const { return progress_.cancelRequested.load(); }
  bool pauseRequested() const { return paused_.load(); }
  // Stores the state and its texts, then posts WM_APP_UPDATE_STATE.
  void postStatus(std::int32_t state, const std::string& message, const std::string& detail);
  // Posts "paused", waits for resume or stop; false when stopped. After a resume the abort
  // flag is cleared and "downloading" posted again.
  bool waitWhilePaused();
  void offerLauncherUpdate(const SelfUpdateRequest& request);
  void post(AppMessage message);

 private:
  mutable std::mutex targetLock_;
  MessageTarget target_;
  std::filesystem::path gamePath_;
  const std::string updateHost_;
  std::atomic<bool> skipLauncherCheckOnce_{false};
  std::thread worker_;
  std::atomic<bool> busy_{false};
  std::atomic<bool> paused_{false};
  std::mutex pauseLock_;
  std::condition_variable pauseSignal_;
  RunProgress progress_;
  std::mutex launcherInfoLock_;
  SelfUpdateRequest offeredLauncher_;
};

}  // namespace duskmere
