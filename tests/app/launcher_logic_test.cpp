#include <gtest/gtest.h>

#include "app/install_needed.h"
#include "app/launch_switches.h"
#include "app/self_update_leftovers.h"
#include "app/tray_texts.h"
#include "app/version_probe.h"
#include "support/temp_folder.h"

namespace duskmere {
namespace {

namespace fs = std::filesystem;

TEST(TrayTextsTest, TooltipAndFirstHide) {
  EXPECT_EQ(trayTooltip(0), "Duskmere Launcher v2.1.2");
  EXPECT_EQ(trayTooltip(105), "Duskmere Launcher v2.1.2 \u00B7 Client 1.05");
  EXPECT_EQ(trayTooltip(1234), "Duskmere Launcher v2.1.2 \u00B7 Client 12.34");
  EXPECT_EQ(firstHideText(false), "Minimized to the tray \u2014 right-click the icon to exit.");
  EXPECT_EQ(firstHideText(true), "Still here \u2014 the launcher comes back when the game closes.");
}

TEST(LaunchSwitchesTest, SubstringSearchOverTheJoinedLine) {
  struct Case {
    std::vector<const char*> argv;
    bool uninstall, ignoreInstances, tray;
  };
  const std::vector<Case> cases = {
      {{"/opt/Duskmere/DuskmereAutopatcher"}, false, false, false},
      {{"launcher", "-tray"}, false, false, true},
      {{"launcher", "--x-ignoreinstances=1"}, false, true, false},
      {{"launcher", "-tray", "-uninstall"}, true, false, true},
      {{"launcher", "-Tray", "-UNINSTALL"}, false, false, false},
      // The program path is part of the line, as a switch split over two arguments is not.
      {{"/home/a/-tray/launcher"}, false, false, true},
      {{"launcher", "-un", "install"}, false, false, false},
  };
  for (const Case& c : cases) {
    const std::string line = joinCommandLine(static_cast<int>(c.argv.size()), c.argv.data());
    const LaunchSwitches switches = readLaunchSwitches(line);
    EXPECT_EQ(switches.uninstall, c.uninstall) << line;
    EXPECT_EQ(switches.ignoreInstances, c.ignoreInstances) << line;
    EXPECT_EQ(switches.tray, c.tray) << line;
  }
  const char* argv[] = {"a", "b c", "d"};
  EXPECT_EQ(joinCommandLine(3, argv), "a b c d");
}

TEST(LaunchSwitchesTest, OnlyAnInstalledLauncherTakesPartInTheInstanceCheck) {
  test::TempFolder root;
  EXPECT_FALSE(isInstalledLauncher(root.path()));
  fs::create_directories(root / "Duskmere.exe");
  fs::create_directories(root / ".duskmere_home");
  EXPECT_FALSE(isInstalledLauncher(root.path()));
  fs::remove(root / ".duskmere_home");
  test::writeFile(root / ".duskmere_home", "");
  EXPECT_TRUE(isInstalledLauncher(root.path()));
  test::TempFolder other;
  test::writeFile(other / "Duskmere.exe", "MZ");
  EXPECT_TRUE(isInstalledLauncher(other.path()));
}

TEST(InstallNeededTest, GameOrHomeMarkerMeansNoInstall) {
  test::TempFolder app;
  test::TempFolder game;
  EXPECT_TRUE(installNeeded(app.path(), ""));
  EXPECT_TRUE(installNeeded(app.path(), app.path().string()));
  EXPECT_TRUE(installNeeded(app.path(), game.path().string()));
  test::writeFile(game / "Duskmere.exe", "MZ");
  EXPECT_FALSE(installNeeded(app.path(), game.path().string()));
  test::writeFile(app / ".duskmere_home", "");
  EXPECT_FALSE(installNeeded(app.path(), ""));
  test::TempFolder beside;
  test::writeFile(beside / "Duskmere.exe", "MZ");
  EXPECT_FALSE(installNeeded(beside.path(), beside.path().string()));
}

TEST(SelfUpdateLeftoversTest, DeletesExactlyTheThreeNames) {
  test::TempFolder app;
  for (const char* name : {"old_ostrel.bak", "old_launcher.bak", "latest_launcher.download",
                           "latest_ostrel_linux", "DuskmereAutopatcher", "old_launcher.bak.1"})
    test::writeFile(app / name, "x");
  cleanupSelfUpdateLeftovers(app.path());
  cleanupSelfUpdateLeftovers(app.path());
  for (const char* gone : {"old_ostrel.bak", "old_launcher.bak", "latest_launcher.download"})
    EXPECT_FALSE(fs::exists(app / gone)) << gone;
  for (const char* kept : {"latest_ostrel_linux", "DuskmereAutopatcher", "old_launcher.bak.1"})
    EXPECT_TRUE(fs::exists(app / kept)) << kept;
}

TEST(VersionProbeTest, Decision) {
  struct Case {
    bool gameRunning, fetched;
    std::int32_t launcher, game, installed;
    bool playPending;
    ProbeDecision expected;
  };
  const std::vector<Case> cases = {
      {true, true, 300, 200, 100, true, ProbeDecision::Ignore},
      {false, true, 212, 106, 105, true, ProbeDecision::StartUpdate},
      {false, true, 213, 105, 105, false, ProbeDecision::StartUpdate},
      {false, true, 212, 105, 105, true, ProbeDecision::Play},
      {false, true, 212, 104, 105, false, ProbeDecision::Nothing},
      {false, false, 999, 999, 105, true, ProbeDecision::Play},
      {false, false, 999, 999, 105, false, ProbeDecision::Nothing},
      // Each version is cut to 16 bits on the way.
      {false, true, 212 + 65536, 105 + 65536, 105, true, ProbeDecision::Play},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decideVersionProbe(c.gameRunning, c.fetched, packProbeVersions(c.launcher, c.game),
                                 c.installed, c.playPending),
              c.expected)
        << c.launcher << " " << c.game << " " << c.installed;
  }
  EXPECT_EQ(packProbeVersions(212, 105), (212 << 16) | 105);
}

}  // namespace
}  // namespace duskmere
