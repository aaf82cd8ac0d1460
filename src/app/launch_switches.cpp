#include "app/launch_switches.h"

#include <system_error>

#include "config/constants.h"

namespace duskmere {

std::string joinCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0)
      line += ' ';
    line += argv[i];
  }
  return line;
}

LaunchSwitches readLaunchSwitches(const std::string& commandLine) {
  auto has = [&](const char* text) { return commandLine.find(text) != std::string::npos; };
  return {has("-uninstall"), has("-ignoreinstances"), has("-tray")};
}

bool isInstalledLauncher(const std::filesystem::path& appDir) {
  auto isFile = [](const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
  };
  return isFile(appDir / kGameExe) || isFile(appDir.string() + kHomeMarker);
}

}  // namespace duskmere
