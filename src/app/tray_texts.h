// The texts the tray icon shows: its tooltip and the hint of the first hide.
#pragma once

#include <cstdint>
#include <string>

namespace duskmere {

inline constexpr const char* kTrayTitle = "Duskmere Launcher";

// "Duskmere Launcher v2.1.2", with " · Client 1.05" once a client version is installed.
std::string trayTooltip(std::int32_t clientVersion);

// The balloon text of the first hide; it differs while the game runs.
std::string firstHideText(bool gameRunning);

}  // namespace duskmere
