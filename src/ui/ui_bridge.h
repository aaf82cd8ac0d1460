// The host side of the page channel: commands the page posts, calls into the page's
// LauncherUI object, the boot sequence and the engine's status and progress pushes. Runs on
// the UI thread only; workers post to the main loop and the loop calls in here.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/settings_store.h"
#include "update/transfer_rate.h"
#include "update/update_engine.h"

namespace duskmere {

// The web view as the bridge needs it: something that runs a script text. Empty while no web
// view exists; page calls are then dropped. The page's messages come in through
// UiBridge::handleWebMessage.
struct PageView {
  std::function<void(const std::string& script)> runScript;
};

// The update engine's controls the bridge uses.
struct EngineControls {
  std::function<ProgressSnapshot()> snapshot;
  std::function<bool()> busy;
  std::function<void(bool repair)> start;
  std::function<void()> pause;
  std::function<void()> resume;
};

// What the page's commands do in the rest of the launcher. An empty member is an operation
// that does not exist yet; its command is accepted and does nothing.
struct BridgeActions {
  std::function<void(const std::string& url)> openExternal;
  std::function<void()> minimize;
  std::function<void()> hideToTray;
  std::function<void()> startVersionProbe;
  std::function<void()> updateTrayTooltip;
  // Game folder .gz clean; returns the number of files removed.
  std::function<int()> clearPatchCache;
  std::function<bool()> installNeeded;
  std::function<std::string()> defaultInstallDir;
  std::function<std::uint64_t(const std::string& path)> freeBytesFor;
  // Operations of the sign-in, feeds, install and game parts.
  std::function<void(const nlohmann::json& payload)> signIn;
  std::function<void()> pushStoredUser;
  std::function<void()> startFeedPoll;
  std::function<void()> chooseGamePath;
  std::function<void()> chooseInstallPath;
  std::function<void(const nlohmann::json& payload)> installConfirm;
  std::function<void()> startGameConfig;
  // Milliseconds of a monotonic tick count and of the wall clock; the system's when empty.
  std::function<std::int64_t()> tickMs;
  std::function<std::int64_t()> wallClockMs;
};

// One finished download, kept until the usage reports send it.
struct DownloadReport {
  std::int64_t bytes = 0;
  std::int32_t files = 0;
  std::int64_t durationMs = 0;
  bool resumed = false;
  bool success = false;
};

// The commands the page may post, in the order they are matched.
inline constexpr std::array<std::string_view, 18> kBridgeCommands = {
    "uiReady",        "play",           "pause",
    "resume",         "retry",          "repair",
    "clearCache",     "login",          "logout",
    "applySettings",  "chooseGamePath", "chooseInstallPath",
    "installConfirm", "gameConfig",     "checkLauncherUpdate",
    "openExternal",   "minimize",       "close"};

inline constexpr const char* kCheckingLauncherUpdateScript =
    "(function(){var e=document.getElementById('setVer');if(e)e.textContent='Checking for "
    "launcher updates\u2026';})();";
inline constexpr const char* kRestoreVersionFooterScript =
    "(function(){try{var e=document.getElementById('setVer');if(e&&e.textContent.indexOf("
    "'Checking')===0)LauncherUI.setVersions({});}catch(x){}})();";

class UiBridge {
 public:
  UiBridge(SettingsStore& settings, EngineControls engine, BridgeActions actions);

  void setPageView(PageView view) { view_ = std::move(view); }

  // The JSON text of one object the page posted. Anything malformed is dropped.
  void handleWebMessage(const std::string& json);

  void callPage(const std::string& function, const nlohmann::json& argument);
  void callPageRaw(const std::string& function, const std::string& argumentJson);
  void runScript(const std::string& script);

  void bootPage();
  void publishUpdateState();
  void publishProgress();
  void pushVersions();
  void pushLinks();
  void pushGamePath();
  void pushSettings();
  void pushInstallState(const std::string& error);
  void pushMaintenance(const std::string& message);

  // State shared with the install, play, feed and report parts.
  bool bootDone = false;
  bool installMode = false;
  std::string installPath;
  std::atomic<bool> playPending{false};
  std::atomic<bool> gameRunning{false};
  bool maintenanceShown = false;
  bool maintenancePending = false;
  std::string pendingMaintenanceMessage;
  // Reports waiting for the usage-report sender, oldest first.
  std::vector<DownloadReport> downloadReports;
  std::vector<std::string> eventReports;

 private:
  void dispatch(const std::string& command, const nlohmann::json& payload);
  void play();
  void startUnlessBusy(bool repair);
  void openExternal(const nlohmann::json& payload);
  void logout();
  void trackDownloadSpan(const ProgressSnapshot& snapshot);
  std::int64_t tickNow() const;
  std::int64_t wallClockNow() const;

  SettingsStore& settings_;
  EngineControls engine_;
  BridgeActions actions_;
  PageView view_;
  std::atomic<bool> spanIdle_{true};
  std::atomic<std::int64_t> spanStart_{0};
  std::atomic<bool> spanResumed_{false};
  TransferRateState rate_;
};

}  // namespace duskmere
