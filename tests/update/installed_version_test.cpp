#include "update/installed_version.h"

#include <gtest/gtest.h>

#include <optional>

#include "support/temp_folder.h"

namespace duskmere {
namespace {

TEST(InstalledVersionTest, ReadsTheVersionFileWithTheDocumentNumberRule) {
  const std::pair<std::optional<std::string>, std::int32_t> cases[] = {
      {std::nullopt, 0},   {"", 0},    {"57", 57}, {" 57\r\n", 57},
      {"57 trailing", 57}, {"abc", 0}, {"-3", -3}, {"99999999999", 0},
  };
  for (const auto& [contents, expected] : cases) {
    SCOPED_TRACE(contents.value_or("<no file>"));
    test::TempFolder game;
    if (contents)
      test::writeFile(game / "ostrel.ini", *contents);
    EXPECT_EQ(readInstalledVersion(game.path()), expected);
  }
}

TEST(InstalledVersionTest, WritingReplacesTheWholeFile) {
  test::TempFolder game;
  test::writeFile(game / "ostrel.ini", "12345 and more text");
  EXPECT_TRUE(writeInstalledVersion(game.path(), 57));
  EXPECT_EQ(test::readFile(game / "ostrel.ini"), "57");
  EXPECT_TRUE(writeInstalledVersion(game.path(), 0));
  EXPECT_EQ(test::readFile(game / "ostrel.ini"), "0");
  EXPECT_FALSE(writeInstalledVersion(game / "no such folder", 57));
}

FileManifest listOf(const std::vector<std::string>& paths) {
  FileManifest manifest;
  for (const std::string& path : paths) {
    FileEntry entry;
    entry.path = path;
    manifest.push_back(entry);
  }
  return manifest;
}

TEST(InstalledVersionTest, TheUninstallListGainsOnlyPathsItDoesNotHoldYet) {
  struct ListCase {
    const char* name;
    std::optional<std::string> before;
    std::vector<std::string> listed;
    std::string after;
  };
  const ListCase cases[] = {
      {"a new list", std::nullopt, {"Duskmere.exe", "data/a.pak"}, "Duskmere.exe\ndata/a.pak\n"},
      {"known paths are not repeated",
       "Duskmere.exe\ndata/a.pak\n",
       {"data/a.pak", "data/new.pak", "Duskmere.exe"},
       "Duskmere.exe\ndata/a.pak\ndata/new.pak\n"},
      {"a last line without its line feed",
       "Duskmere.exe",
       {"data/a.pak"},
       "Duskmere.exe\ndata/a.pak\n"},
      {"lines ending in CRLF count as the same paths",
       "Duskmere.exe\r\ndata/a.pak\r\n",
       {"data/a.pak", "readme.txt"},
       "Duskmere.exe\r\ndata/a.pak\r\nreadme.txt\n"},
      {"a list naming a path twice adds it once", std::nullopt, {"a", "b", "a"}, "a\nb\n"},
      {"nothing new leaves the file alone", "a\nb", {"b", "a"}, "a\nb"},
  };
  for (const ListCase& item : cases) {
    SCOPED_TRACE(item.name);
    test::TempFolder game;
    if (item.before)
      test::writeFile(game / "unins.ini", *item.before);
    EXPECT_TRUE(recordInstalledPaths(game.path(), listOf(item.listed)));
    EXPECT_EQ(test::readFile(game / "unins.ini"), item.after);
  }
}

}  // namespace
}  // namespace duskmere
