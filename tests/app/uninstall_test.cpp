#include "app/uninstall.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace duskmere {
namespace {

namespace fs = std::filesystem;

class UninstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(outside);
    test::writeFile(outside / "keep.txt", "not ours");
    fs::create_directories(game);
  }
  void install(const std::string& relative) { test::writeFile(game / relative, "data"); }
  test::TempFolder root;
  fs::path game = root / "Duskmere";
  fs::path outside = root / "outside";
};

TEST_F(UninstallTest, RemovesListedFilesTheirPackagesAndEmptiedFolders) {
  for (const char* file : {"Duskmere.exe", "pack/sub/data.bin", "pack/sub/data.bin.gz",
                           "pack/other.bin", "textures/a.pak", "ostrel.ini"}) {
    install(file);
  }
  // Not listed: the player's and the launcher's own files.
  for (const char* file :
       {"screenshot/shot1.png", "textures/mod.pak", "DuskmereAutopatcher", ".duskmere_home"}) {
    install(file);
  }
  test::writeFile(game / "unins.ini",
                  "Duskmere.exe\n\npack\\sub\\data.bin\r\npack/other.bin\ntextures/a.pak\n"
                  "missing/file.bin\n");

  uninstallGameFiles(game);

  for (const char* gone : {"Duskmere.exe", "pack", "textures/a.pak", "ostrel.ini", "unins.ini"}) {
    EXPECT_FALSE(fs::exists(game / gone)) << gone;
  }
  for (const char* kept :
       {"screenshot/shot1.png", "textures/mod.pak", "DuskmereAutopatcher", ".duskmere_home"}) {
    EXPECT_TRUE(fs::exists(game / kept)) << kept;
  }
}

TEST_F(UninstallTest, WithoutAListOnlyTheVersionFileGoes) {
  install("ostrel.ini");
  install("Duskmere.exe");
  uninstallGameFiles(game);
  EXPECT_FALSE(fs::exists(game / "ostrel.ini"));
  EXPECT_TRUE(fs::exists(game / "Duskmere.exe"));
}

TEST_F(UninstallTest, EntriesThatLeaveTheFolderAreSkipped) {
  test::writeFile(outside / "victim.bin", "x");
  fs::create_directories(outside / "empty");
  test::writeFile(game / "unins.ini", "../outside/keep.txt\n" + (outside / "victim.bin").string() +
                                          "\n..\\outside\\empty\\x\nC:\\Windows\\win.ini\n");
  uninstallGameFiles(game);
  EXPECT_TRUE(fs::exists(outside / "keep.txt"));
  EXPECT_TRUE(fs::exists(outside / "victim.bin"));
  EXPECT_TRUE(fs::exists(outside / "empty"));
  EXPECT_FALSE(fs::exists(game / "unins.ini"));
}

TEST_F(UninstallTest, AListedFolderIsNotDeletedAsAFile) {
  install("saves/slot1.sav");
  test::writeFile(game / "unins.ini", "saves\n");
  uninstallGameFiles(game);
  EXPECT_TRUE(fs::exists(game / "saves/slot1.sav"));
}

}  // namespace
}  // namespace duskmere
