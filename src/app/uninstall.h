// Removes the game files that the update runs installed into a folder, as listed in its
// unins.ini, and the folders that the removal empties.
#pragma once

#include <filesystem>

namespace duskmere {

void uninstallGameFiles(const std::filesystem::path& folder);

}  // namespace duskmere
