#include "config/folders.h"

#include <sys/statvfs.h>

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace duskmere {
namespace {

class FoldersTest : public ::testing::Test {
 protected:
  void SetUp() override { test::isolateUserFolders(environment, root.path()); }
  test::TempFolder root;
  test::ScopedEnvironment environment;
};

TEST_F(FoldersTest, DeriveFromTheExecutableAndTheUserFolders) {
  EXPECT_EQ(appDir(), std::filesystem::canonical("/proc/self/exe").parent_path());
  EXPECT_EQ(exePath().parent_path(), appDir());

  EXPECT_EQ(dataDir(), root / "data" / "DuskmereLauncher");
  EXPECT_TRUE(std::filesystem::is_directory(root / "data" / "DuskmereLauncher"));
  EXPECT_EQ(uiDir(), root / "data" / "DuskmereLauncher" / "app");
  EXPECT_EQ(defaultInstallDir(), root / "data" / "Programs" / "Duskmere");
  EXPECT_EQ(startMenuProgramsDir(), root / "data" / "applications");
  EXPECT_EQ(desktopDir(), std::filesystem::path());
}

TEST_F(FoldersTest, FallBesideTheExecutableWithoutAUserDataFolder) {
  environment.set("HOME", std::nullopt);
  environment.set("XDG_DATA_HOME", std::nullopt);
  EXPECT_EQ(defaultInstallDir(), appDir() / "Programs" / "Duskmere");
  EXPECT_EQ(startMenuProgramsDir(), std::filesystem::path());
}

TEST(LastPathComponent, TakesTheTextAfterTheLastSeparator) {
  const std::pair<std::string, std::string> cases[] = {
      {"/games/Duskmere/DuskmereAutopatcher", "DuskmereAutopatcher"},
      {"Duskmere.exe", "Duskmere.exe"},
      {"/games/", ""},
      {"", ""},
  };
  for (const auto& [path, expected] : cases)
    EXPECT_EQ(lastPathComponent(path), expected) << path;
}

TEST(FileExists, IsFalseForFoldersAndMissingEntries) {
  test::TempFolder folder;
  std::filesystem::create_directories(folder / "Duskmere.exe");
  test::writeFile(folder / "ostrel.ini", "");
  EXPECT_FALSE(fileExists(folder / "Duskmere.exe"));
  EXPECT_TRUE(fileExists(folder / "ostrel.ini"));
  EXPECT_FALSE(fileExists(folder / "unins.ini"));
}

TEST(FreeBytesFor, MeasuresTheNearestExistingAncestor) {
  test::TempFolder folder;
  struct statvfs volume {};
  ASSERT_EQ(::statvfs(folder.path().c_str(), &volume), 0);
  const std::uint64_t available = std::uint64_t(volume.f_bavail) * volume.f_frsize;
  // Other processes may write meanwhile; the same volume gives nearly the same answer.
  const auto near = [&](std::uint64_t bytes) {
    const auto difference = bytes > available ? bytes - available : available - bytes;
    return difference < 256u * 1024 * 1024;
  };
  EXPECT_TRUE(near(freeBytesFor(folder.path())));
  EXPECT_TRUE(near(freeBytesFor(folder / "Programs" / "Duskmere")));
  EXPECT_NE(freeBytesFor("/no-such-root-folder/Duskmere"), kFreeBytesUnknown);  // the root
  EXPECT_EQ(freeBytesFor(""), kFreeBytesUnknown);
  EXPECT_EQ(freeBytesFor("no-such-relative-folder"), kFreeBytesUnknown);
}

}  // namespace
}  // namespace duskmere
