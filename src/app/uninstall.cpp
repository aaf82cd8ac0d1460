#include "app/uninstall.h"

#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "config/constants.h"
#include "update/file_manifest.h"

namespace duskmere {
namespace {

void removeQuietly(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::remove(path, error);  // a folder that is not empty stays
}

std::string listText(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

}  // namespace

void uninstallGameFiles(const std::filesystem::path& folder) {
  std::istringstream lines(listText(folder.string() + kUninstallList));
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty())
      continue;
    // An entry that would leave the folder is not ours to delete.
    const auto path = localPathOf(folder, line);
    if (path.empty())
      continue;
    removeQuietly(path.string() + ".gz");
    std::error_code error;
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(path, error))) {
      removeQuietly(path);
    }
    // Folders on the way, deepest first; only those the deletions emptied disappear.
    for (auto separator = line.find_last_of("\\/"); separator != std::string::npos && separator > 0;
         separator = line.find_last_of("\\/", separator - 1)) {
      const auto parent = localPathOf(folder, line.substr(0, separator));
      if (!parent.empty() && std::filesystem::is_directory(parent, error))
        removeQuietly(parent);
    }
  }
  removeQuietly(folder.string() + kGameVersionFile);
  removeQuietly(folder.string() + kUninstallList);
}

}  // namespace duskmere
