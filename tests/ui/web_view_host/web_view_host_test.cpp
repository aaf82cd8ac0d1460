#include "ui/web_view_host.h"

#include <gtest/gtest.h>

#include <map>

#include "support/temp_folder.h"
#if DUSKMERE_HAVE_EMBEDDED_PAGE
#include "platform/resources.h"
#endif

namespace duskmere {
namespace {

namespace fs = std::filesystem;

TEST(PageUrlTest, EscapesOnlySpaces) {
  test::TempFolder root;
  const fs::path uiRoot = root / "My Data/Duskmere #1 100%/app";
  const fs::path exeFolder = root / "opt/Duskmere Launcher";
  // Nothing extracted yet: the copy beside the launcher, unchecked.
  EXPECT_EQ(pageUrl(uiRoot, exeFolder),
            "file://" + root.path().string() + "/opt/Duskmere%20Launcher/ui/launcher.html");
  test::writeFile(uiRoot / "ui/launcher.html", "<html></html>");
  EXPECT_EQ(pageUrl(uiRoot, exeFolder), "file://" + root.path().string() +
                                            "/My%20Data/Duskmere%20#1%20100%/app/ui/launcher.html");
  const fs::path unicodeRoot = root / "Données/app";
  test::writeFile(unicodeRoot / "ui/launcher.html", "<html></html>");
  EXPECT_EQ(pageUrl(unicodeRoot, exeFolder),
            "file://" + root.path().string() + "/Données/app/ui/launcher.html");
}

TEST(NavigationPolicyTest, OnlyLocalPagesLoad) {
  struct Case {
    std::string uri;
    bool proceed;
    bool openInBrowser;
  };
  const std::vector<Case> cases = {
      {"file:///home/ana/.local/share/Duskmere/app/ui/launcher.html", true, false},
      {"file://", true, false},
      {"about:blank", true, false},
      {"https://duskmere.example/news", false, true},
      {"http://duskmere.example", false, true},
      {"HTTPS://duskmere.example", false, false},
      {"File:///etc/passwd", false, false},
      {"ABOUT:blank", false, false},
      {"javascript:alert(1)", false, false},
      {"data:text/html,hi", false, false},
      {"mailto:support@duskmere.example", false, false},
      {"", false, false},
  };
  for (const Case& c : cases) {
    const NavigationDecision decision = decideNavigation(c.uri);
    EXPECT_EQ(decision.proceed, c.proceed) << c.uri;
    EXPECT_EQ(decision.openInBrowser, c.openInBrowser) << c.uri;
    // A new window never opens; the same web addresses go to the browser.
    EXPECT_EQ(openNewWindowInBrowser(c.uri), c.openInBrowser && !c.proceed) << c.uri;
  }
}

TEST(ExtractUiFilesTest, WritesEveryFileAndReportsGaps) {
  test::TempFolder root;
  std::map<std::string, std::string> resources;
  for (std::string_view path : kUiFiles)
    resources[std::string(path)] = "bytes of " + std::string(path);
  const ResourceLookup lookup = [&](const std::string& path) -> std::optional<std::string> {
    const auto found = resources.find(path);
    if (found == resources.end())
      return std::nullopt;
    return found->second;
  };
  // An edited page is rewritten; files not in the table stay.
  test::writeFile(root / "app/ui/launcher.html", "edited by hand and much longer than before");
  test::writeFile(root / "app/ui/notes.txt", "mine");
  EXPECT_TRUE(extractUiFiles(root / "app", lookup));
  for (std::string_view path : kUiFiles)
    EXPECT_EQ(test::readFile(root / "app" / path), "bytes of " + std::string(path));
  EXPECT_EQ(test::readFile(root / "app/ui/notes.txt"), "mine");

  // A missing resource, an empty one and an unwritable destination each fail only themselves.
  resources.erase("ui/assets/bg.jpg");
  resources["ui/assets/logo.png"] = "";
  fs::remove(root / "app/feeds-samples/news.json");
  fs::create_directories(root / "app/feeds-samples/news.json");
  fs::remove(root / "app/ui/launcher.html");
  EXPECT_FALSE(extractUiFiles(root / "app", lookup));
  EXPECT_EQ(test::readFile(root / "app/ui/launcher.html"), "bytes of ui/launcher.html");
  EXPECT_EQ(test::readFile(root / "app/feeds-samples/season.json"),
            "bytes of feeds-samples/season.json");
}

#if DUSKMERE_HAVE_EMBEDDED_PAGE
TEST(ExtractUiFilesTest, TheEmbeddedPageIsComplete) {
  test::TempFolder root;
  EXPECT_TRUE(extractUiFiles(root / "app", platform::embeddedResource));
  EXPECT_NE(test::readFile(root / "app/ui/launcher.html").find("LauncherUI"), std::string::npos);
}
#endif

TEST(ClearPatchCacheTest, RemovesOnlyGzFiles) {
  test::TempFolder root;
  const fs::path game = root / "game";
  for (const char* name :
       {"a.gz", "b.GZ", "c.gz.part", "d.pak", "data/maps/e.gz", "data/.gz", "data/f.tar.gz", "gz"})
    test::writeFile(game / name, "x");
  fs::create_directories(game / "folder.gz");
  EXPECT_EQ(clearPatchCache(game), 4);
  for (const char* gone : {"a.gz", "data/maps/e.gz", "data/.gz", "data/f.tar.gz"})
    EXPECT_FALSE(fs::exists(game / gone)) << gone;
  for (const char* kept : {"b.GZ", "c.gz.part", "d.pak", "gz", "folder.gz"})
    EXPECT_TRUE(fs::exists(game / kept)) << kept;
  EXPECT_EQ(clearPatchCache(game), 0);
  EXPECT_EQ(clearPatchCache(root / "missing"), 0);
}

}  // namespace
}  // namespace duskmere
