#include "platform/resources.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace duskmere::platform {
namespace {

TEST(ResourcesTest, ThePageAndItsFilesAreEmbeddedByTheirRelativePaths) {
  const std::filesystem::path page = std::filesystem::path(DUSKMERE_SOURCE_DIR) / "src/ui/page";
  const struct {
    const char* relativePath;
    const char* source;
  } files[] = {
      {"ui/launcher.html", "launcher.html"},
      {"ui/assets/avatar-default.webp", "assets/avatar-default.webp"},
      {"ui/assets/bg.jpg", "assets/bg.jpg"},
      {"ui/assets/logo.png", "assets/logo.png"},
      {"ui/assets/news-1.png", "assets/news-1.png"},
      {"ui/assets/news-2.png", "assets/news-2.png"},
      {"ui/assets/news-3.png", "assets/news-3.png"},
      {"ui/fonts/cinzel-latin.woff2", "fonts/cinzel-latin.woff2"},
      {"ui/fonts/cinzel-latin-ext.woff2", "fonts/cinzel-latin-ext.woff2"},
      {"ui/fonts/manrope-latin.woff2", "fonts/manrope-latin.woff2"},
      {"ui/fonts/manrope-latin-ext.woff2", "fonts/manrope-latin-ext.woff2"},
      {"feeds-samples/status.json", "feeds-samples/status.json"},
      {"feeds-samples/news.json", "feeds-samples/news.json"},
      {"feeds-samples/changelog.json", "feeds-samples/changelog.json"},
      {"feeds-samples/season.json", "feeds-samples/season.json"},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.relativePath);
    const auto bytes = embeddedResource(file.relativePath);
    // The build embeds what the page folder holds.
    if (!std::filesystem::exists(page / file.source)) {
      EXPECT_FALSE(bytes);
      continue;
    }
    ASSERT_TRUE(bytes);
    const std::string source = test::readFile(page / file.source);
    EXPECT_EQ(bytes->size(), source.size());
    EXPECT_TRUE(*bytes == source);
  }
}

TEST(ResourcesTest, AnythingElseIsNotThere) {
  for (const char* path : {"", "ui", "ui/", "launcher.html", "ui/fonts/OFL-cinzel.txt",
                           "ui/../ui/launcher.html", "/ui/launcher.html"})
    EXPECT_FALSE(embeddedResource(path)) << path;
}

}  // namespace
}  // namespace duskmere::platform
