#include "platform/files.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/linux/environment.h"

namespace duskmere::platform {
namespace {

// XDG_DESKTOP_DIR from user-dirs.dirs: a line XDG_DESKTOP_DIR="$HOME/Desktop" (quoted,
// "$HOME/" as the only expansion).
std::optional<std::filesystem::path> desktopFromUserDirs(const std::filesystem::path& home) {
  const auto config = configHome();
  if (!config)
    return std::nullopt;
  std::ifstream file(*config / "user-dirs.dirs");
  std::string line;
  const std::string prefix = "XDG_DESKTOP_DIR=";
  while (std::getline(file, line)) {
    if (line.rfind(prefix, 0) != 0)
      continue;
    std::string value = line.substr(prefix.size());
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
      return std::nullopt;
    value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0)
      return home / value.substr(value.size() > 5 ? 6 : 5);
    if (!value.empty() && value.front() == '/')
      return std::filesystem::path(value);
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

std::filesystem::path executablePath() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
}

std::optional<std::filesystem::path> knownFolder(KnownFolder folder) {
  switch (folder) {
    case KnownFolder::LocalAppData:
      return dataHome();
    case KnownFolder::Programs: {
      const auto data = dataHome();
      if (!data)
        return std::nullopt;
      return *data / "applications";
    }
    case KnownFolder::Desktop: {
      const auto home = homeFolder();
      if (!home)
        return std::nullopt;
      auto desktop = desktopFromUserDirs(*home).value_or(*home / "Desktop");
      std::error_code error;
      if (!std::filesystem::is_directory(desktop, error))
        return std::nullopt;
      return desktop;
    }
  }
  return std::nullopt;
}

bool isFile(const std::filesystem::path& path) {
  struct stat status {};
  return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool pathExists(const std::filesystem::path& path) {
  struct stat status {};
  return !path.empty() && ::stat(path.c_str(), &status) == 0;
}

std::optional<std::uint64_t> freeBytesForCaller(const std::filesystem::path& path) {
  struct statvfs volume {};
  if (path.empty() || ::statvfs(path.c_str(), &volume) != 0)
    return std::nullopt;
  return static_cast<std::uint64_t>(volume.f_bavail) * volume.f_frsize;
}

bool createDirectory(const std::filesystem::path& path) {
  return !path.empty() && ::mkdir(path.c_str(), 0755) == 0;
}

}  // namespace duskmere::platform
