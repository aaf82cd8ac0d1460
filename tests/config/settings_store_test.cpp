#include "config/settings_store.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "config/download_rate_limit.h"
#include "config/folders.h"
#include "platform/autostart.h"
#include "platform/ini.h"
#include "support/temp_folder.h"

namespace duskmere {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::isolateUserFolders(environment, root.path());
    setDownloadRateLimit(0);
  }
  std::string stored(const std::string& section, const std::string& key) {
    return platform::iniString(platform::readIniFile(settingsFile()), section, key, "<absent>");
  }
  std::filesystem::path autostartEntry() const {
    return platform::autostartEntryPath("DuskmereLauncher");
  }
  test::TempFolder root;
  test::ScopedEnvironment environment;
};

TEST_F(SettingsTest, AMissingFileLoadsDefaultsAndWritesANewInstallIdAtOnce) {
  SettingsStore settings;
  settings.load();
  EXPECT_EQ(settings.gamePath, appDir().string());
  EXPECT_EQ(settings.language, "en");
  EXPECT_EQ(settings.downloadLimitMBps, 0);
  EXPECT_FALSE(settings.closeOnLaunch);
  EXPECT_FALSE(settings.startWithWindows);
  EXPECT_TRUE(settings.notifyEvents);
  EXPECT_EQ(settings.coins, 0);
  EXPECT_TRUE(std::regex_match(settings.installId,
                               std::regex("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-"
                                          "[0-9A-F]{12}")))
      << settings.installId;
  EXPECT_EQ(stored("telemetry", "installId"), settings.installId);

  SettingsStore again;
  again.load();
  EXPECT_EQ(again.installId, settings.installId);
}

TEST_F(SettingsTest, EveryFieldRoundTripsInItsWrittenForm) {
  const auto game = root / "games" / "Duskmere";
  std::filesystem::create_directories(game);
  SettingsStore settings;
  settings.load();
  settings.gamePath = game.string();
  settings.language = "pt_BR";
  settings.downloadLimitMBps = -3;
  settings.closeOnLaunch = true;
  settings.startWithWindows = true;
  settings.notifyEvents = false;
  settings.user = "Ånna";
  settings.coins = -9000000000;
  settings.avatar = "https://example.invalid/a.png";
  settings.lastSeason = "s1";
  settings.lastNews = "n2";
  settings.lastMaintenance = "m3";
  settings.save();

  EXPECT_EQ(stored("launcher", "downloadLimitMBps"), "-3");
  EXPECT_EQ(stored("launcher", "closeOnLaunch"), "1");
  EXPECT_EQ(stored("launcher", "notifyEvents"), "0");
  EXPECT_EQ(stored("session", "coins"), "-9000000000");

  SettingsStore loaded;
  loaded.load();
  EXPECT_EQ(loaded.gamePath, settings.gamePath);
  EXPECT_EQ(loaded.language, "pt_BR");
  EXPECT_EQ(loaded.downloadLimitMBps, -3);
  EXPECT_TRUE(loaded.closeOnLaunch);
  EXPECT_TRUE(loaded.startWithWindows);
  EXPECT_FALSE(loaded.notifyEvents);
  EXPECT_EQ(loaded.user, "Ånna");
  EXPECT_EQ(loaded.coins, -9000000000);
  EXPECT_EQ(loaded.avatar, settings.avatar);
  EXPECT_EQ(loaded.lastSeason, "s1");
  EXPECT_EQ(loaded.lastNews, "n2");
  EXPECT_EQ(loaded.lastMaintenance, "m3");
  EXPECT_EQ(loaded.installId, settings.installId);
}

TEST_F(SettingsTest, AGameFolderBesideTheLauncherOrGoneIsStoredEmpty) {
  test::writeFile(settingsFile(), "[launcher]\ngamePath=" + (root / "deleted").string() + "\n");
  SettingsStore settings;
  settings.load();
  EXPECT_EQ(settings.gamePath, appDir().string());
  settings.save();
  EXPECT_EQ(stored("launcher", "gamePath"), "");
}

TEST_F(SettingsTest, ASaveKeepsHandEditedLines) {
  test::writeFile(settingsFile(),
                  "; my notes\n[launcher]\nLANGUAGE=de\ntheme=dark\n[mods]\nenabled=1\n");
  SettingsStore settings;
  settings.load();
  EXPECT_EQ(settings.language, "de");
  settings.language = "fr";
  settings.save();
  const auto text = test::readFile(settingsFile());
  EXPECT_NE(text.find("; my notes\n"), std::string::npos);
  EXPECT_NE(text.find("theme=dark\n"), std::string::npos);
  EXPECT_NE(text.find("[mods]\nenabled=1\n"), std::string::npos);
  EXPECT_EQ(stored("launcher", "language"), "fr");
  EXPECT_EQ(text.find("LANGUAGE=de"), std::string::npos);
}

TEST_F(SettingsTest, GarbageOrUnreadableFilesLoadTheDefaults) {
  std::string garbage;
  for (int i = 0; i < 8192; ++i)
    garbage += static_cast<char>((i * 37 + 11) % 256);
  test::writeFile(settingsFile(), garbage);
  SettingsStore fromGarbage;
  fromGarbage.load();
  EXPECT_EQ(fromGarbage.language, "en");
  EXPECT_TRUE(fromGarbage.notifyEvents);

  std::filesystem::remove(settingsFile());
  std::filesystem::create_directories(settingsFile());  // a folder cannot be read as a file
  SettingsStore fromFolder;
  fromFolder.load();
  EXPECT_EQ(fromFolder.language, "en");
  EXPECT_FALSE(fromFolder.installId.empty());
}

TEST_F(SettingsTest, ApplySettingsReplacesThePreferencesAndAppliesThem) {
  SettingsStore settings;
  settings.load();
  ASSERT_TRUE(applySettings(settings, {{"language", "de"},
                                       {"downloadLimitMBps", 5},
                                       {"closeOnLaunch", true},
                                       {"startWithWindows", true},
                                       {"notifyEvents", false}}));
  EXPECT_EQ(downloadRateLimit(), 5242880);
  EXPECT_EQ(stored("launcher", "language"), "de");
  const auto entry = test::readFile(autostartEntry());
  EXPECT_NE(entry.find("Exec=\"" + exePath().string() + "\" -tray\n"), std::string::npos);

  ASSERT_TRUE(applySettings(settings, nlohmann::json::object()));
  EXPECT_EQ(settings.language, "en");
  EXPECT_EQ(settings.downloadLimitMBps, 0);
  EXPECT_FALSE(settings.closeOnLaunch);
  EXPECT_FALSE(settings.startWithWindows);
  EXPECT_TRUE(settings.notifyEvents);
  EXPECT_EQ(downloadRateLimit(), 0);
  EXPECT_FALSE(std::filesystem::exists(autostartEntry()));
  EXPECT_EQ(stored("launcher", "startWithWindows"), "0");
}

TEST_F(SettingsTest, AWronglyTypedMemberStopsThereAndAppliesNothing) {
  struct Case {
    nlohmann::json payload;
    std::string languageAfter;
    int limitAfter;
  };
  const Case cases[] = {
      {{{"language", "de"}, {"downloadLimitMBps", "5"}}, "de", 2},
      {{{"language", nullptr}, {"downloadLimitMBps", 9}}, "fr", 2},
      {{{"language", "it"}, {"downloadLimitMBps", 7}, {"closeOnLaunch", "yes"}}, "it", 7},
      {{{"notifyEvents", 1}}, "en", 0},
      {nlohmann::json::array({1, 2}), "fr", 2},
  };
  for (const auto& c : cases) {
    SettingsStore settings;
    settings.load();
    ASSERT_TRUE(applySettings(
        settings, {{"language", "fr"}, {"downloadLimitMBps", 2}, {"startWithWindows", true}}));
    const auto fileBefore = test::readFile(settingsFile());
    EXPECT_FALSE(applySettings(settings, c.payload)) << c.payload;
    EXPECT_EQ(settings.language, c.languageAfter) << c.payload;
    EXPECT_EQ(settings.downloadLimitMBps, c.limitAfter) << c.payload;
    EXPECT_EQ(test::readFile(settingsFile()), fileBefore) << c.payload;
    EXPECT_TRUE(std::filesystem::exists(autostartEntry())) << c.payload;
    EXPECT_EQ(downloadRateLimit(), 2 * 1048576) << c.payload;
  }
}

TEST_F(SettingsTest, HugeLimitsAreClampedRatherThanWrapped) {
  SettingsStore settings;
  ASSERT_TRUE(applySettings(settings, {{"downloadLimitMBps", 1e300}}));
  EXPECT_EQ(settings.downloadLimitMBps, INT_MAX);
  ASSERT_TRUE(applySettings(settings, {{"downloadLimitMBps", -5000000000LL}}));
  EXPECT_EQ(settings.downloadLimitMBps, INT_MIN);
}

TEST(InstallId, FormatsSixteenBytesInOrder) {
  const std::array<std::uint8_t, 16> bytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                           0x00, 0x10, 0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54};
  EXPECT_EQ(formatInstallId(bytes), "01234567-89AB-CDEF-0010-FEDCBA987654");
}

}  // namespace
}  // namespace duskmere
