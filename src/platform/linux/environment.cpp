#include "platform/linux/environment.h"

#include <cstdlib>
#include <string_view>

namespace duskmere::platform {
namespace {

// XDG variables count only when they hold an absolute path.
std::optional<std::filesystem::path> absoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/')
    return std::nullopt;
  return std::filesystem::path(value);
}

std::optional<std::filesystem::path> xdgFolder(const char* variable, std::string_view fallback) {
  if (auto folder = absoluteVariable(variable))
    return folder;
  auto home = homeFolder();
  if (!home)
    return std::nullopt;
  return *home / fallback;
}

}  // namespace

std::optional<std::filesystem::path> homeFolder() {
  return absoluteVariable("HOME");
}

std::optional<std::filesystem::path> dataHome() {
  return xdgFolder("XDG_DATA_HOME", ".local/share");
}

std::optional<std::filesystem::path> configHome() {
  return xdgFolder("XDG_CONFIG_HOME", ".config");
}

}  // namespace duskmere::platform
