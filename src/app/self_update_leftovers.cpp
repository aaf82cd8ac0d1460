#include "app/self_update_leftovers.h"

#include <system_error>

namespace duskmere {

void cleanupSelfUpdateLeftovers(const std::filesystem::path& appDir) {
  for (const char* name : {"old_ostrel.bak", "old_launcher.bak", "latest_launcher.download"}) {
    std::error_code error;
    std::filesystem::remove(appDir / name, error);
  }
}

}  // namespace duskmere
