#include "ui/ui_bridge.h"

#include <chrono>
#include <limits>

#include "ui/page_call.h"
#include "ui/page_objects.h"

namespace duskmere {

namespace {

template <typename Function, typename... Arguments>
void callIfSet(const Function& function, Arguments&&... arguments) {
  if (function)
    function(std::forward<Arguments>(arguments)...);
}

}  // namespace

UiBridge::UiBridge(SettingsStore& settings, EngineControls engine, BridgeActions actions)
    : settings_(settings), engine_(std::move(engine)), actions_(std::move(actions)) {}

void UiBridge::handleWebMessage(const std::string& json) {
  const nlohmann::json message = nlohmann::json::parse(json, nullptr, false);
  if (!message.is_object())
    return;
  // The page never sends a wrongly typed field; if something does, that message is dropped.
  try {
    const std::string command = message.value("cmd", std::string());
    const auto found = message.find("payload");
    const nlohmann::json payload =
        found != message.end() && found->is_object() ? *found : nlohmann::json::object();
    dispatch(command, payload);
  } catch (const nlohmann::json::exception&) {
  }
}

void UiBridge::dispatch(const std::string& command, const nlohmann::json& payload) {
  std::size_t index = 0;
  while (index < kBridgeCommands.size() && kBridgeCommands[index] != command)
    ++index;
  switch (index) {
    case 0:
      bootPage();
      break;
    case 1:
      play();
      break;
    case 2:
      callIfSet(engine_.pause);
      break;
    case 3:
      callIfSet(engine_.resume);
      break;
    case 4:
      startUnlessBusy(false);
      break;
    case 5:
      startUnlessBusy(true);
      break;
    case 6:
      if (engine_.busy() || !actions_.clearPatchCache)
        break;
      callPage("cacheCleared", actions_.clearPatchCache());
      break;
    case 7:
      callIfSet(actions_.signIn, payload);
      break;
    case 8:
      logout();
      break;
    case 9:
      applySettings(settings_, payload);
      break;
    case 10:
      callIfSet(actions_.chooseGamePath);
      break;
    case 11:
      callIfSet(actions_.chooseInstallPath);
      break;
    case 12:
      callIfSet(actions_.installConfirm, payload);
      break;
    case 13:
      callIfSet(actions_.startGameConfig);
      break;
    case 14:
      runScript(kCheckingLauncherUpdateScript);
      startUnlessBusy(false);
      break;
    case 15:
      openExternal(payload);
      break;
    case 16:
      callIfSet(actions_.minimize);
      break;
    case 17:
      callIfSet(actions_.hideToTray);
      break;
    default:
      break;
  }
}

void UiBridge::play() {
  if (engine_.snapshot().state != kStateReady || gameRunning.load())
    return;
  callPage("setStatus", {{"state", "checking"}});
  playPending.exchange(true);
  callIfSet(actions_.startVersionProbe);
}

void UiBridge::startUnlessBusy(bool repair) {
  if (!engine_.busy())
    engine_.start(repair);
}

void UiBridge::openExternal(const nlohmann::json& payload) {
  const std::string url = payload.value("url", std::string());
  // Web addresses only: the page must not make the host open local files or other handlers.
  const bool web = url.compare(0, 7, "http://") == 0 || url.compare(0, 8, "https://") == 0;
  if (web)
    callIfSet(actions_.openExternal, url);
}

void UiBridge::logout() {
  settings_.user.clear();
  settings_.coins = 0;
  settings_.avatar.clear();
  settings_.save();
}

void UiBridge::callPage(const std::string& function, const nlohmann::json& argument) {
  callPageRaw(function, compactJson(argument));
}

void UiBridge::callPageRaw(const std::string& function, const std::string& argumentJson) {
  runScript(pageCallScript(function, argumentJson));
}

void UiBridge::runScript(const std::string& script) {
  if (view_.runScript)
    view_.runScript(script);
}

void UiBridge::bootPage() {
  pushVersions();
  pushLinks();
  pushGamePath();
  callIfSet(actions_.pushStoredUser);
  pushSettings();
  callPage("setLanguage", settings_.language);
  const bool wasBooted = bootDone;
  if (installMode || (!bootDone && actions_.installNeeded && actions_.installNeeded())) {
    bootDone = true;
    installMode = true;
    if (installPath.empty() && actions_.defaultInstallDir)
      installPath = actions_.defaultInstallDir();
    pushInstallState({});
    if (!wasBooted)
      eventReports.push_back("boot");
  } else {
    callPage("setStatus", {{"state", "checking"}});
    if (!wasBooted) {
      bootDone = true;
      engine_.start(false);
      eventReports.push_back("boot");
    } else if (!engine_.busy()) {
      publishUpdateState();
    }
  }
  callIfSet(actions_.startFeedPoll);
}

void UiBridge::trackDownloadSpan(const ProgressSnapshot& snapshot) {
  const std::int32_t state = snapshot.state;
  if (state == kStateDownloading || state == kStatePaused) {
    if (spanIdle_.load()) {
      spanStart_.exchange(tickNow());
      spanResumed_.exchange(false);
      spanIdle_.exchange(false);
    }
    if (state == kStatePaused)
      spanResumed_.exchange(true);
  } else if (!spanIdle_.load() && (state == kStateReady || state == kStateError)) {
    spanIdle_.exchange(true);
    const std::int64_t start = spanStart_.load();
    const std::int64_t duration = start > 0 ? tickNow() - start : 0;
    if (snapshot.runBytes > 0)
      downloadReports.push_back({snapshot.runBytes, snapshot.filesTotal, duration,
                                 spanResumed_.load(), state == kStateReady});
  }
}

void UiBridge::publishUpdateState() {
  const ProgressSnapshot snapshot = engine_.snapshot();
  if (snapshot.state == 0 || gameRunning.load())
    return;
  if (snapshot.state == kStateReady)
    runScript(kRestoreVersionFooterScript);
  trackDownloadSpan(snapshot);
  callPage("setStatus", engineStatusObject(snapshot));
  pushVersions();
  callIfSet(actions_.updateTrayTooltip);
  if ((snapshot.state == kStateReady || snapshot.state == kStateError) && maintenancePending) {
    maintenancePending = false;
    pushMaintenance(pendingMaintenanceMessage);
  }
}

void UiBridge::publishProgress() {
  if (!engine_.busy() || gameRunning.load())
    return;
  const ProgressSnapshot snapshot = engine_.snapshot();
  if (snapshot.state != kStateDownloading && snapshot.state != kStateVerifying)
    return;
  nlohmann::json progress = {{"progress", snapshot.percent},
                             {"file", snapshot.currentItem},
                             {"fileIndex", snapshot.filesDone},
                             {"fileCount", snapshot.filesTotal}};
  if (snapshot.state == kStateDownloading) {
    const TransferRate rate =
        sampleTransferRate(rate_, wallClockNow(), snapshot.downloadedBytes, snapshot.totalBytes);
    rate_ = rate.next;
    progress["downloadedBytes"] = snapshot.downloadedBytes;
    progress["totalBytes"] = snapshot.totalBytes;
    progress["speedBps"] = rate.bytesPerSecond;
    if (rate.secondsLeft)
      progress["etaSeconds"] = *rate.secondsLeft;
  }
  callPage("setProgress", progress);
}

void UiBridge::pushVersions() {
  callPage("setVersions", versionsObject(engine_.snapshot().version));
}

void UiBridge::pushLinks() {
  callPage("setLinks", linksObject());
}

void UiBridge::pushGamePath() {
  callPage("setGamePath", settings_.gamePath);
}

void UiBridge::pushSettings() {
  runScript(settingsScript(settings_.language, settings_.downloadLimitMBps, settings_.closeOnLaunch,
                           settings_.startWithWindows, settings_.notifyEvents));
}

void UiBridge::pushInstallState(const std::string& error) {
  const std::uint64_t free = actions_.freeBytesFor ? actions_.freeBytesFor(installPath)
                                                   : std::numeric_limits<std::uint64_t>::max();
  callPage("setStatus", installStatusObject(installPath, free, error));
}

void UiBridge::pushMaintenance(const std::string& message) {
  maintenanceShown = true;
  callPage("setStatus", {{"state", "maintenance"}, {"message", message}});
}

std::int64_t UiBridge::tickNow() const {
  if (actions_.tickMs)
    return actions_.tickMs();
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t UiBridge::wallClockNow() const {
  if (actions_.wallClockMs)
    return actions_.wallClockMs();
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace duskmere
