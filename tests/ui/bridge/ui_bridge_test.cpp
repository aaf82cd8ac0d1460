#include "ui/ui_bridge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/download_rate_limit.h"
#include "support/temp_folder.h"

namespace duskmere {
namespace {

// The bridge under test with a recording page and an engine whose state the test sets.
class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::isolateUserFolders(environment, root.path());
    setDownloadRateLimit(0);
    EngineControls engine{[this] { return snapshot; }, [this] { return busy; },
                          [this](bool repair) { done.push_back(repair ? "repair" : "start"); },
                          [this] { done.push_back("pause"); },
                          [this] { done.push_back("resume"); }};
    BridgeActions actions;
    actions.openExternal = [this](const std::string& url) { opened.push_back(url); };
    actions.minimize = [this] { done.push_back("minimize"); };
    actions.hideToTray = [this] { done.push_back("hide"); };
    actions.startVersionProbe = [this] { done.push_back("probe"); };
    actions.clearPatchCache = [this] {
      done.push_back("clear");
      return 3;
    };
    actions.installNeeded = [this] { return installNeeded; };
    actions.defaultInstallDir = [] { return std::string("/games/Duskmere"); };
    actions.freeBytesFor = [](const std::string&) { return std::uint64_t{5000}; };
    actions.wallClockMs = [this] { return now; };
    actions.tickMs = [this] { return tick; };
    bridge = std::make_unique<UiBridge>(settings, std::move(engine), std::move(actions));
    bridge->setPageView({[this](const std::string& script) { scripts.push_back(script); }});
  }

  void post(const std::string& json) { bridge->handleWebMessage(json); }
  void setState(std::int32_t state) {
    snapshot.state = state;
    bridge->publishUpdateState();
  }
  std::vector<std::string> callsTo(const std::string& function) const {
    std::vector<std::string> found;
    const std::string prefix = "LauncherUI." + function + "(";
    for (const std::string& script : scripts)
      if (script.rfind(prefix, 0) == 0)
        found.push_back(script.substr(prefix.size(), script.size() - prefix.size() - 1));
    return found;
  }

  test::TempFolder root;
  test::ScopedEnvironment environment;
  SettingsStore settings;
  ProgressSnapshot snapshot;
  bool busy = false;
  bool installNeeded = false;
  std::int64_t now = 0;
  std::int64_t tick = 0;
  std::vector<std::string> done;
  std::vector<std::string> opened;
  std::vector<std::string> scripts;
  std::unique_ptr<UiBridge> bridge;
};

TEST_F(BridgeTest, CommandsReachTheirOperationsByExactName) {
  struct Case {
    std::string command;
    bool engineBusy;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"pause", false, {"pause"}},
      {"resume", false, {"resume"}},
      {"retry", false, {"start"}},
      {"retry", true, {}},
      {"repair", false, {"repair"}},
      {"repair", true, {}},
      {"checkLauncherUpdate", false, {"start"}},
      {"checkLauncherUpdate", true, {}},
      {"clearCache", false, {"clear"}},
      {"clearCache", true, {}},
      {"minimize", false, {"minimize"}},
      {"close", false, {"hide"}},
      {"Close", false, {}},
      {"PAUSE", false, {}},
      {"", false, {}},
      {"unknown", false, {}},
  };
  for (const Case& c : cases) {
    done.clear();
    busy = c.engineBusy;
    post(R"({"cmd":")" + c.command + R"(","payload":{}})");
    EXPECT_EQ(done, c.expected) << c.command << " busy " << c.engineBusy;
  }
  EXPECT_EQ(callsTo("cacheCleared"), std::vector<std::string>{"3"});
  EXPECT_EQ(kBridgeCommands.size(), 18u);
  EXPECT_EQ(kBridgeCommands.front(), "uiReady");
  EXPECT_EQ(kBridgeCommands.back(), "close");
}

TEST_F(BridgeTest, CheckLauncherUpdateSetsTheFooterEvenWhenBusy) {
  busy = true;
  post(R"({"cmd":"checkLauncherUpdate"})");
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_NE(scripts[0].find("Checking for launcher updates\u2026'"), std::string::npos);
}

TEST_F(BridgeTest, OpenExternalAcceptsOnlyWebAddresses) {
  struct Case {
    std::string message;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {R"({"cmd":"openExternal","payload":{"url":"https://duskmere.example/news"}})", true},
      {R"({"cmd":"openExternal","payload":{"url":"http://a"}})", true},
      {R"({"cmd":"openExternal","payload":{"url":"https://"}})", true},
      {R"({"cmd":"openExternal","payload":{"url":"http:/"}})", false},
      {R"({"cmd":"openExternal","payload":{"url":"HTTPS://duskmere.example"}})", false},
      {R"({"cmd":"openExternal","payload":{"url":"file:///etc/passwd"}})", false},
      {R"x({"cmd":"openExternal","payload":{"url":"javascript:alert(1)"}})x", false},
      {R"({"cmd":"openExternal","payload":"https://duskmere.example"})", false},
      {R"({"cmd":"openExternal","payload":{}})", false},
      {R"({"cmd":"openExternal","payload":{"url":42}})", false},
  };
  for (const Case& c : cases) {
    opened.clear();
    post(c.message);
    EXPECT_EQ(opened.size(), c.accepted ? 1u : 0u) << c.message;
  }
  post(R"({"cmd":"openExternal","payload":{"url":"https://"}})");
  EXPECT_EQ(opened, std::vector<std::string>{"https://"});
}

TEST_F(BridgeTest, MalformedMessagesAreDropped) {
  settings.downloadLimitMBps = 20;
  for (const char* text :
       {"", "not json", "[1,2]", "\"uiReady\"", R"({"cmd":5})", R"({"cmd":null})",
        R"({"cmd":"applySettings","payload":{"downloadLimitMBps":"7"}})"})
    post(text);
  EXPECT_TRUE(scripts.empty());
  EXPECT_TRUE(done.empty());
  EXPECT_EQ(downloadRateLimit(), 0u);
}

TEST_F(BridgeTest, ApplySettingsStoresAndPublishesTheLimit) {
  post(R"({"cmd":"applySettings","payload":{"language":"xx","downloadLimitMBps":7}})");
  EXPECT_EQ(settings.language, "xx");
  EXPECT_EQ(settings.downloadLimitMBps, 7);
  EXPECT_EQ(downloadRateLimit(), 7340032u);
  SettingsStore reloaded;
  reloaded.load();
  EXPECT_EQ(reloaded.downloadLimitMBps, 7);
}

TEST_F(BridgeTest, LogoutForgetsTheUser) {
  settings.user = "Aldric";
  settings.coins = 250;
  settings.avatar = "https://duskmere.example/a.webp";
  settings.save();
  post(R"({"cmd":"logout"})");
  SettingsStore reloaded;
  reloaded.load();
  EXPECT_EQ(reloaded.user, "");
  EXPECT_EQ(reloaded.coins, 0);
  EXPECT_EQ(reloaded.avatar, "");
}

TEST_F(BridgeTest, PlayOnlyWhenReadyAndNoGameRuns) {
  struct Case {
    std::int32_t state;
    bool gameRunning;
    bool plays;
  };
  for (const Case& c : std::vector<Case>{{kStateDownloading, false, false},
                                         {kStateError, false, false},
                                         {0, false, false},
                                         {kStateReady, true, false},
                                         {kStateReady, false, true}}) {
    scripts.clear();
    done.clear();
    bridge->playPending = false;
    bridge->gameRunning = c.gameRunning;
    snapshot.state = c.state;
    post(R"({"cmd":"play"})");
    if (c.plays) {
      EXPECT_EQ(scripts, std::vector<std::string>{R"(LauncherUI.setStatus({"state":"checking"}))"});
      EXPECT_EQ(done, std::vector<std::string>{"probe"});
      EXPECT_TRUE(bridge->playPending);
    } else {
      EXPECT_TRUE(scripts.empty()) << c.state;
      EXPECT_TRUE(done.empty()) << c.state;
      EXPECT_FALSE(bridge->playPending);
    }
  }
}

TEST_F(BridgeTest, BootPushesInOrderAndStartsOneRun) {
  settings.language = "xx";
  settings.downloadLimitMBps = 7;
  settings.gamePath = "/home/ana/Duskmere Ü";
  snapshot.version = 1234;
  post(R"({"cmd":"uiReady"})");
  ASSERT_EQ(scripts.size(), 6u);
  EXPECT_EQ(scripts[0], R"(LauncherUI.setVersions({"client":"12.34","launcher":"2.1.2"}))");
  EXPECT_EQ(scripts[1].rfind("LauncherUI.setLinks({\"account\":\"https://", 0), 0u);
  EXPECT_EQ(scripts[2], "LauncherUI.setGamePath(\"/home/ana/Duskmere Ü\")");
  EXPECT_EQ(scripts[3],
            "(function(){try{document.getElementById('setLang').value='en';"
            "document.getElementById('setLimit').value='0';var t=function(id,on){var "
            "e=document.getElementById(id);if(e)e.classList.toggle('on',!!on);};"
            "t('tglClose',false);t('tglStartup',false);t('tglNotify',true);"
            "if(window.refreshCustomSelects)refreshCustomSelects();}catch(e){}})();");
  EXPECT_EQ(scripts[4], R"(LauncherUI.setLanguage("xx"))");
  EXPECT_EQ(scripts[5], R"(LauncherUI.setStatus({"state":"checking"}))");
  EXPECT_EQ(done, std::vector<std::string>{"start"});
  EXPECT_EQ(bridge->eventReports, std::vector<std::string>{"boot"});

  // A reload: the same pushes, the last result again, no second run or report.
  scripts.clear();
  done.clear();
  snapshot.state = kStateReady;
  post(R"({"cmd":"uiReady","payload":7})");
  EXPECT_TRUE(done.empty());
  EXPECT_EQ(bridge->eventReports.size(), 1u);
  EXPECT_EQ(callsTo("setStatus").size(), 2u);
  EXPECT_EQ(callsTo("setStatus").back().find(R"("state":"ready")") != std::string::npos, true);
}

TEST_F(BridgeTest, BootShowsTheInstallFormWithoutARun) {
  installNeeded = true;
  post(R"({"cmd":"uiReady","payload":{}})");
  EXPECT_TRUE(done.empty());
  EXPECT_EQ(callsTo("setStatus"),
            std::vector<std::string>{
                R"({"installError":"","installFreeBytes":5000,"installNeedBytes":3565158400,)"
                R"("installPath":"/games/Duskmere","state":"install"})"});
  EXPECT_EQ(bridge->eventReports, std::vector<std::string>{"boot"});
  post(R"({"cmd":"uiReady"})");
  EXPECT_EQ(callsTo("setStatus").size(), 2u);
  EXPECT_EQ(bridge->eventReports.size(), 1u);
}

TEST_F(BridgeTest, VersionsObject) {
  for (const auto& [version, expected] : std::vector<std::pair<int, std::string>>{
           {0, R"({"launcher":"2.1.2"})"},
           {-3, R"({"launcher":"2.1.2"})"},
           {105, R"({"client":"1.05","launcher":"2.1.2"})"},
           {1234, R"({"client":"12.34","launcher":"2.1.2"})"}}) {
    scripts.clear();
    snapshot.version = version;
    bridge->pushVersions();
    EXPECT_EQ(scripts, std::vector<std::string>{"LauncherUI.setVersions(" + expected + ")"});
  }
}

TEST_F(BridgeTest, EngineStatusCarriesErrorTextsOnlyInError) {
  snapshot.message = "Could not reach the update server";
  snapshot.detail = "timeout";
  snapshot.currentItem = "data/Zauberstäbe.pak";
  snapshot.percent = 12.5;
  setState(kStateDownloading);
  setState(kStateError);
  setState(9);
  const std::vector<std::string> statuses = callsTo("setStatus");
  ASSERT_EQ(statuses.size(), 3u);
  EXPECT_EQ(statuses[0],
            R"({"detail":"","downloadedBytes":0,"file":"data/Zauberstäbe.pak","fileCount":0,)"
            R"("fileIndex":0,"message":"","progress":12.5,"state":"downloading","totalBytes":0})");
  EXPECT_NE(statuses[1].find(R"("message":"Could not reach the update server")"),
            std::string::npos);
  EXPECT_NE(statuses[1].find(R"("detail":"timeout")"), std::string::npos);
  EXPECT_NE(statuses[2].find(R"("state":"checking")"), std::string::npos);
  EXPECT_NE(statuses[2].find(R"("message":"")"), std::string::npos);

  // Bytes that are not UTF-8 are replaced rather than failing the push.
  scripts.clear();
  snapshot.currentItem = std::string("bad\xff name");
  setState(kStateDownloading);
  ASSERT_EQ(callsTo("setStatus").size(), 1u);
  EXPECT_NE(callsTo("setStatus")[0].find("bad\xEF\xBF\xBD name"), std::string::npos);

  // Nothing before the first state, nothing while the game runs.
  scripts.clear();
  setState(0);
  bridge->gameRunning = true;
  setState(kStateReady);
  EXPECT_TRUE(scripts.empty());
}

TEST_F(BridgeTest, ProgressSpeedIsSmoothed) {
  busy = true;
  snapshot.state = kStateDownloading;
  snapshot.totalBytes = 100000000;
  now = 1700000000000;
  bridge->publishProgress();
  ASSERT_EQ(callsTo("setProgress").size(), 1u);
  EXPECT_EQ(callsTo("setProgress")[0],
            R"({"downloadedBytes":0,"file":"","fileCount":0,"fileIndex":0,"progress":0.0,)"
            R"("speedBps":0.0,"totalBytes":100000000})");

  // 500000 bytes in 250 ms: 2000000 bytes per second, then 4000000 instant gives 2600000.
  const std::vector<std::pair<std::int64_t, double>> ticks = {{500000, 2000000},
                                                              {1500000, 2600000}};
  for (const auto& [bytes, speed] : ticks) {
    scripts.clear();
    now += 250;
    snapshot.downloadedBytes = bytes;
    bridge->publishProgress();
    const auto progress = nlohmann::json::parse(callsTo("setProgress").at(0));
    EXPECT_DOUBLE_EQ(progress["speedBps"].get<double>(), speed);
    EXPECT_DOUBLE_EQ(progress["etaSeconds"].get<double>(), (100000000.0 - bytes) / speed);
  }

  // Verifying shows no transfer keys; idle, other states and a running game show nothing.
  scripts.clear();
  snapshot.state = kStateVerifying;
  bridge->publishProgress();
  EXPECT_EQ(nlohmann::json::parse(callsTo("setProgress").at(0)).size(), 4u);
  scripts.clear();
  snapshot.state = kStatePaused;
  bridge->publishProgress();
  snapshot.state = kStateDownloading;
  busy = false;
  bridge->publishProgress();
  busy = true;
  bridge->gameRunning = true;
  bridge->publishProgress();
  EXPECT_TRUE(scripts.empty());
}

TEST_F(BridgeTest, OneDownloadReportPerSpan) {
  snapshot.runBytes = 4096;
  snapshot.filesTotal = 3;
  tick = 1000;
  setState(kStateChecking);
  setState(kStateDownloading);
  setState(kStatePaused);
  setState(kStateDownloading);
  tick = 6000;
  setState(kStateReady);
  setState(kStateReady);
  ASSERT_EQ(bridge->downloadReports.size(), 1u);
  const DownloadReport first = bridge->downloadReports[0];
  EXPECT_EQ(first.bytes, 4096);
  EXPECT_EQ(first.files, 3);
  EXPECT_EQ(first.durationMs, 5000);
  EXPECT_TRUE(first.resumed);
  EXPECT_TRUE(first.success);

  // A failed run opens and closes a new span; a run that moved no bytes reports nothing.
  setState(kStateDownloading);
  setState(kStateError);
  snapshot.runBytes = 0;
  setState(kStateDownloading);
  setState(kStateReady);
  ASSERT_EQ(bridge->downloadReports.size(), 2u);
  EXPECT_FALSE(bridge->downloadReports[1].resumed);
  EXPECT_FALSE(bridge->downloadReports[1].success);
}

TEST_F(BridgeTest, PendingMaintenanceFollowsTheRunsEnd) {
  bridge->maintenancePending = true;
  bridge->pendingMaintenanceMessage = "Back at 18:00";
  setState(kStateDownloading);
  EXPECT_TRUE(bridge->maintenancePending);
  setState(kStateReady);
  EXPECT_FALSE(bridge->maintenancePending);
  EXPECT_TRUE(bridge->maintenanceShown);
  EXPECT_EQ(callsTo("setStatus").back(), R"({"message":"Back at 18:00","state":"maintenance"})");
}

TEST_F(BridgeTest, NoViewDropsCalls) {
  bridge->setPageView({});
  post(R"({"cmd":"uiReady"})");
  bridge->callPageRaw("setSeason", "null");
  EXPECT_TRUE(scripts.empty());
  EXPECT_EQ(done, std::vector<std::string>{"start"});
}

}  // namespace
}  // namespace duskmere
