#include "app/install_needed.h"

#include "config/constants.h"
#include "config/folders.h"

namespace duskmere {

bool installNeeded(const std::filesystem::path& appDir, const std::string& gamePath) {
  if (fileExists(appDir.string() + kHomeMarker))
    return false;
  if (fileExists(appDir / kGameExe))
    return false;
  if (!gamePath.empty() && gamePath != appDir.string() &&
      fileExists(std::filesystem::path(gamePath) / kGameExe))
    return false;
  return true;
}

}  // namespace duskmere
