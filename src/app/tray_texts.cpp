#include "app/tray_texts.h"

#include <cstdio>

#include "config/constants.h"

namespace duskmere {

std::string trayTooltip(std::int32_t clientVersion) {
  std::string tooltip = std::string(kTrayTitle) + " v" + kLauncherVersionText;
  if (clientVersion > 0) {
    char client[32];
    std::snprintf(client, sizeof client, "%.2f", static_cast<float>(clientVersion) / 100.0f);
    tooltip += " \u00B7 Client ";
    tooltip += client;
  }
  return tooltip;
}

std::string firstHideText(bool gameRunning) {
  return gameRunning ? "Still here \u2014 the launcher comes back when the game closes."
                     : "Minimized to the tray \u2014 right-click the icon to exit.";
}

}  // namespace duskmere
