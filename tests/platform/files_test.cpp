#include "platform/files.h"

#include <gtest/gtest.h>

#include "platform/autostart.h"
#include "platform/random.h"
#include "support/temp_folder.h"

namespace duskmere::platform {
namespace {

TEST(IsFile, OnlyRegularFilesAndLinksToThemCount) {
  test::TempFolder folder;
  std::filesystem::create_directories(folder / "Duskmere.exe");
  test::writeFile(folder / "game.bin", "x");
  std::filesystem::create_symlink(folder / "game.bin", folder / "link");
  std::filesystem::create_symlink(folder / "Duskmere.exe", folder / "folder-link");
  EXPECT_FALSE(isFile(folder / "Duskmere.exe"));
  EXPECT_TRUE(isFile(folder / "game.bin"));
  EXPECT_TRUE(isFile(folder / "link"));
  EXPECT_FALSE(isFile(folder / "folder-link"));
  EXPECT_FALSE(isFile(folder / "missing"));
  EXPECT_FALSE(isFile(""));
  EXPECT_TRUE(pathExists(folder / "Duskmere.exe"));
}

TEST(KnownFolder, FollowsTheXdgVariablesAndTheirFallbacks) {
  test::TempFolder folder;
  test::ScopedEnvironment environment;
  test::isolateUserFolders(environment, folder.path());

  EXPECT_EQ(knownFolder(KnownFolder::LocalAppData), folder / "data");
  EXPECT_EQ(knownFolder(KnownFolder::Programs), folder / "data" / "applications");
  environment.set("XDG_DATA_HOME", "relative/ignored");
  EXPECT_EQ(knownFolder(KnownFolder::LocalAppData), folder / "home" / ".local/share");

  EXPECT_EQ(knownFolder(KnownFolder::Desktop), std::nullopt);  // ~/Desktop does not exist
  std::filesystem::create_directories(folder / "home" / "Desktop");
  EXPECT_EQ(knownFolder(KnownFolder::Desktop), folder / "home" / "Desktop");
  std::filesystem::create_directories(folder / "home" / "Schreibtisch");
  test::writeFile(folder / "config" / "user-dirs.dirs",
                  "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
  EXPECT_EQ(knownFolder(KnownFolder::Desktop), folder / "home" / "Schreibtisch");

  environment.set("HOME", std::nullopt);
  environment.set("XDG_DATA_HOME", std::nullopt);
  EXPECT_EQ(knownFolder(KnownFolder::LocalAppData), std::nullopt);
}

TEST(FreeBytes, AnswersForExistingPathsOnly) {
  test::TempFolder folder;
  EXPECT_TRUE(freeBytesForCaller(folder.path()).has_value());
  EXPECT_FALSE(freeBytesForCaller(folder / "not-yet").has_value());
  EXPECT_FALSE(freeBytesForCaller("").has_value());
}

TEST(Autostart, WritesAQuotedEntryAndRemovesIt) {
  test::TempFolder folder;
  test::ScopedEnvironment environment;
  test::isolateUserFolders(environment, folder.path());

  const auto entry = autostartEntryPath("DuskmereLauncher");
  EXPECT_EQ(entry, folder / "config" / "autostart" / "DuskmereLauncher.desktop");
  disableAutostart("DuskmereLauncher");  // nothing to remove is fine

  ASSERT_TRUE(enableAutostart("DuskmereLauncher", "/opt/My Games/$x/DuskmereAutopatcher", "-tray"));
  const auto text = test::readFile(entry);
  EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
  EXPECT_NE(text.find("Exec=\"/opt/My Games/\\\\$x/DuskmereAutopatcher\" -tray\n"),
            std::string::npos)
      << text;
  disableAutostart("DuskmereLauncher");
  EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST(RandomGuidBytes, DifferEachTime) {
  const auto first = randomGuidBytes();
  const auto second = randomGuidBytes();
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);
}

}  // namespace
}  // namespace duskmere::platform
