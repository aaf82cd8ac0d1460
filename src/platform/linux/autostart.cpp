#include "platform/autostart.h"

#include <fstream>
#include <system_error>

#include "platform/linux/environment.h"

namespace duskmere::platform {
namespace {

// A quoted argument of a desktop entry's Exec key: inside the quotes ", `, $ and \ are
// escaped, and the value as a whole escapes each backslash once more.
std::string quotedExecArgument(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '`' || c == '$') {
      quoted += "\\\\";
      quoted += c;
    } else if (c == '\\') {
      quoted += "\\\\\\\\";
    } else {
      quoted += c;
    }
  }
  quoted += '"';
  return quoted;
}

}  // namespace

std::filesystem::path autostartEntryPath(const std::string& name) {
  const auto config = configHome();
  if (!config)
    return {};
  return *config / "autostart" / (name + ".desktop");
}

bool enableAutostart(const std::string& name, const std::filesystem::path& executable,
                     const std::string& arguments) {
  const auto entry = autostartEntryPath(name);
  if (entry.empty())
    return false;
  std::error_code error;
  std::filesystem::create_directories(entry.parent_path(), error);
  std::ofstream file(entry, std::ios::binary | std::ios::trunc);
  file << "[Desktop Entry]\n"
       << "Type=Application\n"
       << "Name=" << name << "\n"
       << "Exec=" << quotedExecArgument(executable.string())
       << (arguments.empty() ? "" : " " + arguments) << "\n"
       << "X-GNOME-Autostart-enabled=true\n";
  file.flush();
  return static_cast<bool>(file);
}

void disableAutostart(const std::string& name) {
  const auto entry = autostartEntryPath(name);
  std::error_code error;
  if (!entry.empty())
    std::filesystem::remove(entry, error);
}

}  // namespace duskmere::platform
