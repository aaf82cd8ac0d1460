// How the launcher was asked to run, read from its command line, and whether this copy takes
// part in the one-launcher-per-user rule.
#pragma once

#include <filesystem>
#include <string>

namespace duskmere {

struct LaunchSwitches {
  bool uninstall = false;
  bool ignoreInstances = false;
  bool tray = false;
};

// The program path and the arguments joined by single blanks.
std::string joinCommandLine(int argc, const char* const* argv);

// Plain substring search, case-sensitive: an argument that merely contains a switch counts.
LaunchSwitches readLaunchSwitches(const std::string& commandLine);

// A copy running from an arbitrary folder (a fresh download) never takes part in the
// instance check; an installed one has the game or the home marker beside it.
bool isInstalledLauncher(const std::filesystem::path& appDir);

}  // namespace duskmere
