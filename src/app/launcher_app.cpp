#include "app/launcher_app.h"

#include <cstdio>
#include <thread>

#include "app/install_needed.h"
#include "app/posted_string.h"
#include "app/self_update_leftovers.h"
#include "app/tray_texts.h"
#include "app/version_probe.h"
#include "config/constants.h"
#include "config/download_rate_limit.h"
#include "config/folders.h"
#include "platform/notify.h"
#include "platform/resources.h"
#include "platform/shell.h"
#include "ui/web_view_host.h"

namespace duskmere {

namespace {

constexpr const char* kWebViewFailedText =
    "The Microsoft WebView2 Runtime is required but could not be started.\n\nDownload it "
    "from:\n";
constexpr const char* kWebViewDownloadPage =
    "https://developer.microsoft.com/microsoft-edge/webview2/";
constexpr const char* kTrayIconId = "duskmere-launcher";
constexpr const char* kTrayIconName = "applications-games";

EngineControls engineControls(UpdateEngine& engine) {
  return {[&engine] { return engine.snapshot(); }, [&engine] { return engine.busy(); },
          [&engine](bool repair) { engine.start(repair); }, [&engine] { engine.pause(); },
          [&engine] { engine.resume(); }};
}

}  // namespace

BridgeActions LauncherApp::bridgeActions() {
  BridgeActions actions;
  actions.openExternal = [](const std::string& url) { platform::openUri(url); };
  actions.minimize = [this] {
    if (window_)
      platform::minimizeMainWindow(*window_);
  };
  actions.hideToTray = [this] { hideToTray(); };
  actions.startVersionProbe = [this] { startVersionProbe(); };
  actions.updateTrayTooltip = [this] { updateTrayTooltip(); };
  actions.clearPatchCache = [this] { return clearPatchCache(settings_.gamePath); };
  actions.installNeeded = [this] { return installNeeded(appDir(), settings_.gamePath); };
  actions.defaultInstallDir = [] { return defaultInstallDir().string(); };
  actions.freeBytesFor = [](const std::string& path) { return freeBytesFor(path); };
  return actions;
}

LauncherApp::LauncherApp() : bridge_(settings_, engineControls(engine_), bridgeActions()) {}

LauncherApp::~LauncherApp() {
  // The worker posts to the loop; it must be gone before the objects its messages reach.
  engine_.stop();
}

int LauncherApp::run(const std::string& commandLine) {
  settings_.load();
  setDownloadRateLimit(static_cast<std::uint64_t>(settings_.downloadLimitMBps) * 1048576u);
  engine_.setGamePath(settings_.gamePath);

  // WebKitGTK is linked in, so there is no runtime to install; a missing display is the one
  // thing that stops the window here.
  if (!platform::initToolkit()) {
    std::fprintf(stderr, "Duskmere Launcher: no display could be opened.\n");
    return 1;
  }
  platform::openMessageQueue([this](const platform::Message& message) { handleMessage(message); },
                             [](const platform::Message& message) {
                               if (carriesPostedString(message.id))
                                 takePostedString(message.lParam);
                             });

  const bool startHidden = commandLine.find("-tray") != std::string::npos;
  window_ = platform::createMainWindow(platform::MainWindowLook{}, !startHidden,
                                       [this] { hideToTray(); });
  if (!window_)
    return 1;

  addTrayIcon();
  updateTrayTooltip();
  engine_.setMessageTarget(
      MessageTarget{[](AppMessage message) { platform::postMessage(message, 0, 0); }});
  cleanupSelfUpdateLeftovers(appDir());
  extractUiFiles(uiDir(), platform::embeddedResource);

  if (!createWebView()) {
    platform::showMessageBox(window_.get(), kTrayTitle,
                             std::string(kWebViewFailedText) + kWebViewDownloadPage,
                             platform::MessageIcon::Error);
    platform::openUri(kWebViewDownloadPage);
    platform::quitMainLoop(1);
  }

  platform::startTimer(kTimerProgress, kProgressPeriodMs);
  platform::startTimer(kTimerFeeds, kFeedsPeriodMs);
  return platform::runMainLoop();
}

bool LauncherApp::createWebView() {
  platform::WebViewEvents events;
  events.messageReceived = [this](const std::string& json) { bridge_.handleWebMessage(json); };
  events.navigationStarting = [](const std::string& uri) {
    const NavigationDecision decision = decideNavigation(uri);
    if (decision.openInBrowser)
      platform::openUri(uri);
    return decision.proceed;
  };
  events.newWindowRequested = [](const std::string& uri) {
    if (openNewWindowInBrowser(uri))
      platform::openUri(uri);
  };
  webview_ = platform::createWebView(*window_, dataDir() / "WebView2", std::move(events));
  if (!webview_)
    return false;
  if (!platform::isMainWindowVisible(*window_))
    platform::setWebViewVisible(*webview_, false);
  bridge_.setPageView({[this](const std::string& script) {
    if (webview_)
      platform::runScript(*webview_, script);
  }});
  platform::loadUrl(*webview_, pageUrl(uiDir(), appDir()));
  return true;
}

void LauncherApp::handleMessage(const platform::Message& message) {
  if (carriesPostedString(message.id)) {
    const std::unique_ptr<std::string> body = takePostedString(message.lParam);
    // The feed and sign-in results are handled by the online services once they exist.
    return;
  }
  switch (message.id) {
    case platform::kTimerMessage:
      if (message.wParam == kTimerProgress)
        publishProgress();
      // kTimerFeeds: the feed poll belongs to the online services.
      break;
    case WM_APP_UPDATE_STATE:
      publishUpdateState();
      break;
    case WM_APP_GAME_EXITED:
      onGameExited();
      break;
    case WM_APP_LAUNCHER_UPDATE:
      onLauncherUpdateOffered();
      break;
    case WM_APP_SELF_UPDATE_ABORTED:
      onSelfUpdateAborted();
      break;
    case WM_APP_VERSION_PROBE:
      onVersionProbe(message);
      break;
    default:
      break;
  }
}

void LauncherApp::onGameExited() {
  bridge_.gameRunning.exchange(false);
  if (window_ && !platform::isMainWindowVisible(*window_))
    showWindow(false);
  publishUpdateState();
}

void LauncherApp::onLauncherUpdateOffered() {
  hideWindow();
  const SelfUpdateRequest request = engine_.offeredLauncherUpdate();
  (void)request;
  // The self-update takes the request from here. Until it exists, carry on exactly as when
  // it gives up, so the window never stays hidden.
  platform::postMessage(WM_APP_SELF_UPDATE_ABORTED, 0, 0);
}

void LauncherApp::onSelfUpdateAborted() {
  showWindow(false);
  engine_.setSkipLauncherCheckOnce(true);
  if (!engine_.busy())
    engine_.start(false);
}

void LauncherApp::onVersionProbe(const platform::Message& message) {
  switch (decideVersionProbe(bridge_.gameRunning.load(), message.wParam != 0, message.lParam,
                             engine_.snapshot().version, bridge_.playPending.load())) {
    case ProbeDecision::StartUpdate:
      if (!engine_.busy())
        engine_.start(false);
      break;
    case ProbeDecision::Play:
      play();
      break;
    case ProbeDecision::Ignore:
    case ProbeDecision::Nothing:
      break;
  }
}

void LauncherApp::play() {
  // Starting the game belongs to the play session; until it exists, the request is consumed
  // and the page goes back from "checking" to the engine's last state.
  bridge_.playPending.exchange(false);
  publishUpdateState();
}

void LauncherApp::showWindow(bool probe) {
  if (!window_)
    return;
  platform::presentMainWindow(*window_);
  if (webview_)
    platform::setWebViewVisible(*webview_, true);
  if (probe && !engine_.busy() && !bridge_.gameRunning.load()) {
    bridge_.playPending.exchange(false);
    startVersionProbe();
  }
}

void LauncherApp::hideWindow() {
  if (!window_)
    return;
  platform::hideMainWindow(*window_);
  if (webview_)
    platform::setWebViewVisible(*webview_, false);
}

void LauncherApp::hideToTray() {
  hideWindow();
  if (trayHintShown_)
    return;
  trayHintShown_ = true;
  trayNotify(kTrayTitle, firstHideText(bridge_.gameRunning.load()));
}

void LauncherApp::raiseFromAnotherInstance() {
  if (!window_)
    return;
  platform::minimizeMainWindow(*window_);
  platform::restoreMainWindow(*window_);
  showWindow(false);
}

void LauncherApp::startVersionProbe() {
  std::thread([] {
    std::intptr_t versions = 0;
    const bool fetched = probeUpdateHost(versions);
    platform::postMessage(WM_APP_VERSION_PROBE, fetched ? 1 : 0, versions);
  }).detach();
}

void LauncherApp::quit() {
  tray_.reset();
  engine_.stop();
  webview_.reset();
  bridge_.setPageView({});
  window_.reset();
  platform::stopTimer(kTimerProgress);
  platform::stopTimer(kTimerFeeds);
  platform::quitMainLoop(0);
}

void LauncherApp::addTrayIcon() {
  if (tray_)
    return;
  platform::TrayEvents events;
  events.openRequested = [this] { showWindow(true); };
  events.exitRequested = [this] { quit(); };
  tray_ = platform::createTrayIcon(kTrayIconId, kTrayIconName, kTrayTitle, std::move(events));
}

void LauncherApp::updateTrayTooltip() {
  if (tray_)
    platform::setTrayTooltip(*tray_, trayTooltip(engine_.snapshot().version));
}

void LauncherApp::trayNotify(const std::string& title, const std::string& text) {
  addTrayIcon();
  platform::showNotification(title, text);
}

}  // namespace duskmere
