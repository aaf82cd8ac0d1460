// Shortcuts to the launcher: desktop entries the desktop shows as icons and menu items.
#pragma once

#include <filesystem>
#include <string>

namespace duskmere::platform {

// Writes a desktop entry at `entryPath` (its name is the file name without ".desktop") that
// starts `target` followed by `arguments` (already in command-line form) in the folder of
// `target`, with `description` as its comment and `iconPath` as its icon (each left out when
// empty), and marks it executable. False when it could not be written.
bool createShortcut(const std::filesystem::path& target, const std::filesystem::path& entryPath,
                    const std::string& arguments, const std::string& description,
                    const std::filesystem::path& iconPath);

}  // namespace duskmere::platform
