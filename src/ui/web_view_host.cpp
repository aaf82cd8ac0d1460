#include "ui/web_view_host.h"

#include <fstream>
#include <system_error>

namespace duskmere {

namespace {

bool startsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool isWebAddress(const std::string& uri) {
  return startsWith(uri, "http://") || startsWith(uri, "https://");
}

bool writeWhole(const std::filesystem::path& path, const std::string& bytes) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out)
    return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

bool extractUiFiles(const std::filesystem::path& uiRoot, const ResourceLookup& lookup) {
  bool complete = true;
  for (std::string_view relative : kUiFiles) {
    const std::optional<std::string> bytes = lookup(std::string(relative));
    if (!bytes || bytes->empty()) {
      complete = false;
      continue;
    }
    if (!writeWhole(uiRoot / relative, *bytes))
      complete = false;
  }
  return complete;
}

std::string pageUrl(const std::filesystem::path& uiRoot, const std::filesystem::path& exeFolder) {
  std::filesystem::path page = uiRoot / "ui/launcher.html";
  std::error_code error;
  if (!std::filesystem::is_regular_file(page, error))
    page = exeFolder / "ui/launcher.html";
  std::string url = "file://";
  for (char c : page.string()) {
    if (c == ' ')
      url += "%20";
    else
      url += c;
  }
  return url;
}

NavigationDecision decideNavigation(const std::string& uri) {
  if (startsWith(uri, "file://") || startsWith(uri, "about:"))
    return {true, false};
  return {false, isWebAddress(uri)};
}

bool openNewWindowInBrowser(const std::string& uri) {
  return isWebAddress(uri);
}

int clearPatchCache(const std::filesystem::path& gameFolder) {
  int removed = 0;
  std::error_code error;
  std::filesystem::recursive_directory_iterator walk(
      gameFolder, std::filesystem::directory_options::skip_permission_denied, error);
  // A walk error ends the walk; what was removed so far still counts.
  for (; !error && walk != std::filesystem::recursive_directory_iterator(); walk.increment(error)) {
    std::error_code typeError;
    if (!walk->is_regular_file(typeError))
      continue;
    const std::string name = walk->path().filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.compare(dot, std::string::npos, ".gz") != 0)
      continue;
    std::error_code removeError;
    if (std::filesystem::remove(walk->path(), removeError))
      ++removed;
  }
  return removed;
}

}  // namespace duskmere
