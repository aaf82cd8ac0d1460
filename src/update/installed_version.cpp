#include "update/installed_version.h"

#include <fstream>
#include <iterator>
#include <string>
#include <unordered_set>

#include "config/constants.h"
#include "update/number_text.h"

namespace duskmere {
namespace {

std::filesystem::path versionFileOf(const std::filesystem::path& gameFolder) {
  return gameFolder.string() + kGameVersionFile;
}

std::filesystem::path uninstallListOf(const std::filesystem::path& gameFolder) {
  return gameFolder.string() + kUninstallList;
}

std::string readWholeFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

std::int32_t readInstalledVersion(const std::filesystem::path& gameFolder) {
  return parseDocumentNumber(readWholeFile(versionFileOf(gameFolder)));
}

bool writeInstalledVersion(const std::filesystem::path& gameFolder, std::int32_t version) {
  std::ofstream file(versionFileOf(gameFolder), std::ios::binary | std::ios::trunc);
  file << version;
  file.close();
  return !file.fail();
}

bool recordInstalledPaths(const std::filesystem::path& gameFolder, const FileManifest& manifest) {
  const auto listFile = uninstallListOf(gameFolder);
  const std::string existing = readWholeFile(listFile);
  std::unordered_set<std::string> recorded;
  std::size_t start = 0;
  while (start < existing.size()) {
    auto end = existing.find('\n', start);
    if (end == std::string::npos)
      end = existing.size();
    std::string line = existing.substr(start, end - start);
    // A list edited on Windows keeps its carriage returns; the path is the same.
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    recorded.insert(std::move(line));
    start = end + 1;
  }

  std::string added;
  // A last line without its line feed would otherwise run into the first new path.
  if (!existing.empty() && existing.back() != '\n')
    added += '\n';
  bool any = false;
  for (const FileEntry& entry : manifest) {
    if (recorded.insert(entry.path).second) {
      added += entry.path;
      added += '\n';
      any = true;
    }
  }
  if (!any)
    return true;
  std::ofstream file(listFile, std::ios::binary | std::ios::app);
  file << added;
  file.close();
  return !file.fail();
}

}  // namespace duskmere
