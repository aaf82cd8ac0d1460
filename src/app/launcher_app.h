// The one application object: main window, web view, tray icon, settings, update engine and
// the UI thread's loop. Workers talk to it only by posting messages to that loop.
#pragma once

#include <string>

#include "config/settings_store.h"
#include "platform/main_loop.h"
#include "platform/main_window.h"
#include "platform/tray.h"
#include "platform/webview.h"
#include "ui/ui_bridge.h"
#include "update/update_engine.h"

namespace duskmere {

inline constexpr unsigned kTimerProgress = 1;
inline constexpr unsigned kTimerFeeds = 2;
inline constexpr unsigned kProgressPeriodMs = 250;
inline constexpr unsigned kFeedsPeriodMs = 60000;

class LauncherApp {
 public:
  LauncherApp();
  ~LauncherApp();
  LauncherApp(const LauncherApp&) = delete;
  LauncherApp& operator=(const LauncherApp&) = delete;

  // Sets everything up and runs the loop; the exit code. `commandLine` is the whole command
  // line, program path included.
  int run(const std::string& commandLine);

  void showWindow(bool probe);
  void hideWindow();
  void hideToTray();
  // A later start of the launcher asked for this one: back to the front, wherever it was.
  void raiseFromAnotherInstance();
  void startVersionProbe();
  void quit();

  void addTrayIcon();
  void updateTrayTooltip();
  void trayNotify(const std::string& title, const std::string& text);

  void publishUpdateState() { bridge_.publishUpdateState(); }
  void publishProgress() { bridge_.publishProgress(); }

 private:
  void handleMessage(const platform::Message& message);
  void onVersionProbe(const platform::Message& message);
  void onLauncherUpdateOffered();
  void onSelfUpdateAborted();
  void onGameExited();
  void play();
  bool createWebView();
  BridgeActions bridgeActions();

  platform::MainWindowHandle window_;
  platform::WebViewHandle webview_;
  SettingsStore settings_;
  UpdateEngine engine_;
  UiBridge bridge_;
  platform::TrayIconHandle tray_;
  bool trayHintShown_ = false;
};

}  // namespace duskmere
