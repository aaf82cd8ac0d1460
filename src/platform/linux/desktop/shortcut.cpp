#include "platform/shortcut.h"

#include <glib.h>
#include <sys/stat.h>

namespace duskmere::platform {
namespace {

// One argument of an Exec line: quoted, with the characters that are special inside quotes
// escaped, and "%" doubled so that it is not read as a field code. The key file escapes the
// backslashes once more when it writes the value.
std::string execArgument(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '`' || c == '$' || c == '\\')
      quoted += '\\';
    if (c == '%')
      quoted += '%';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

}  // namespace

bool createShortcut(const std::filesystem::path& target, const std::filesystem::path& entryPath,
                    const std::string& arguments, const std::string& description,
                    const std::filesystem::path& iconPath) {
  constexpr const char* group = G_KEY_FILE_DESKTOP_GROUP;
  GKeyFile* entry = g_key_file_new();
  g_key_file_set_string(entry, group, G_KEY_FILE_DESKTOP_KEY_TYPE,
                        G_KEY_FILE_DESKTOP_TYPE_APPLICATION);
  g_key_file_set_string(entry, group, G_KEY_FILE_DESKTOP_KEY_NAME,
                        entryPath.stem().string().c_str());
  if (!description.empty())
    g_key_file_set_string(entry, group, G_KEY_FILE_DESKTOP_KEY_COMMENT, description.c_str());
  std::string exec = execArgument(target.string());
  if (!arguments.empty())
    exec += " " + arguments;
  g_key_file_set_string(entry, group, G_KEY_FILE_DESKTOP_KEY_EXEC, exec.c_str());
  if (target.has_parent_path())
    g_key_file_set_string(entry, group, G_KEY_FILE_DESKTOP_KEY_PATH,
                          target.parent_path().string().c_str());
  if (!iconPath.empty())
    g_key_file_set_string(entry, group, G_KEY_FILE_DESKTOP_KEY_ICON, iconPath.string().c_str());
  g_key_file_set_boolean(entry, group, G_KEY_FILE_DESKTOP_KEY_TERMINAL, FALSE);

  const bool saved = g_key_file_save_to_file(entry, entryPath.c_str(), nullptr);
  g_key_file_free(entry);
  // Desktops start only entries marked executable.
  return saved && chmod(entryPath.c_str(), 0755) == 0;
}

}  // namespace duskmere::platform
