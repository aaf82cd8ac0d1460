// Whether the launcher has a game to look after or must offer the first install.
#pragma once

#include <filesystem>
#include <string>

namespace duskmere {

// False when the launcher runs from a launcher home, has the game beside it, or the stored
// game folder (other than its own) holds the game.
bool installNeeded(const std::filesystem::path& appDir, const std::string& gamePath);

}  // namespace duskmere
