// Files a previous launcher self-update may have left beside the executable.
#pragma once

#include <filesystem>

namespace duskmere {

// Deletes "old_ostrel.bak", "old_launcher.bak" and "latest_launcher.download" in `appDir`,
// ignoring every error.
void cleanupSelfUpdateLeftovers(const std::filesystem::path& appDir);

}  // namespace duskmere
