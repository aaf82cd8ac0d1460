// The web view host's own logic: writing the embedded page out, the page's URL, which
// navigations may load, and the patch-cache clean.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace duskmere {

// The embedded files, by path under the UI root, in the order they are written.
inline constexpr std::array<std::string_view, 15> kUiFiles = {
    "ui/launcher.html",
    "ui/assets/avatar-default.webp",
    "ui/assets/bg.jpg",
    "ui/assets/logo.png",
    "ui/assets/news-1.png",
    "ui/assets/news-2.png",
    "ui/assets/news-3.png",
    "ui/fonts/cinzel-latin.woff2",
    "ui/fonts/cinzel-latin-ext.woff2",
    "ui/fonts/manrope-latin.woff2",
    "ui/fonts/manrope-latin-ext.woff2",
    "feeds-samples/status.json",
    "feeds-samples/news.json",
    "feeds-samples/changelog.json",
    "feeds-samples/season.json",
};

// The bytes of one embedded file, or nothing when it is missing or empty.
using ResourceLookup = std::function<std::optional<std::string>(const std::string& path)>;

// Rewrites every embedded file under `uiRoot`, creating folders on the way. True only if all
// fifteen were written completely; a failed file does not stop the others.
bool extractUiFiles(const std::filesystem::path& uiRoot, const ResourceLookup& lookup);

// "file://" + the page's path with spaces as "%20"; the copy beside the launcher when the
// extracted page is missing.
std::string pageUrl(const std::filesystem::path& uiRoot, const std::filesystem::path& exeFolder);

struct NavigationDecision {
  bool proceed = false;
  bool openInBrowser = false;
};

// Only local files and about: pages load in the view; web addresses go to the browser and
// anything else is stopped.
NavigationDecision decideNavigation(const std::string& uri);

// A new window never opens in the view; a web address goes to the browser.
bool openNewWindowInBrowser(const std::string& uri);

// Deletes every "*.gz" file under `gameFolder` and returns how many went.
int clearPatchCache(const std::filesystem::path& gameFolder);

}  // namespace duskmere
