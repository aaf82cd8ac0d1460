#include "config/folders.h"

#include "config/constants.h"
#include "platform/files.h"

namespace duskmere {

std::filesystem::path exePath() {
  return platform::executablePath();
}

std::filesystem::path appDir() {
  return exePath().parent_path();
}

std::filesystem::path dataDir() {
  const auto localAppData = platform::knownFolder(platform::KnownFolder::LocalAppData);
  const auto folder = localAppData ? *localAppData / "DuskmereLauncher" : appDir() / ".launcher";
  platform::createDirectory(folder);
  return folder;
}

std::filesystem::path uiDir() {
  return dataDir() / "app";
}

std::filesystem::path defaultInstallDir() {
  const auto localAppData = platform::knownFolder(platform::KnownFolder::LocalAppData);
  const auto base = (localAppData && !localAppData->empty()) ? *localAppData : appDir();
  return base / "Programs" / kProductFolderName;
}

std::filesystem::path desktopDir() {
  return platform::knownFolder(platform::KnownFolder::Desktop).value_or(std::filesystem::path());
}

std::filesystem::path startMenuProgramsDir() {
  return platform::knownFolder(platform::KnownFolder::Programs).value_or(std::filesystem::path());
}

std::string lastPathComponent(const std::string& path) {
  const auto separator = path.find_last_of('/');
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool fileExists(const std::filesystem::path& path) {
  return platform::isFile(path);
}

std::uint64_t freeBytesFor(const std::filesystem::path& path) {
  std::string remaining = path.string();
  while (!remaining.empty()) {
    if (const auto bytes = platform::freeBytesForCaller(remaining))
      return *bytes;
    const auto separator = remaining.find_last_of('/');
    if (separator == std::string::npos || remaining == "/")
      break;
    // The root folder is the last ancestor of an absolute path.
    remaining.resize(separator == 0 ? 1 : separator);
  }
  return kFreeBytesUnknown;
}

}  // namespace duskmere
