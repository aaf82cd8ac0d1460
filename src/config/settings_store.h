// The player's preferences, the remembered account data, the feed items already notified and
// the anonymous installation id, kept in settings.ini in the data folder.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace duskmere {

struct SettingsStore {
  std::string gamePath;
  std::string language = "en";
  int downloadLimitMBps = 0;
  bool closeOnLaunch = false;
  bool startWithWindows = false;
  bool notifyEvents = true;
  std::string user;
  std::int64_t coins = 0;
  std::string avatar;
  std::string lastSeason;
  std::string lastNews;
  std::string lastMaintenance;
  std::string installId;

  void load();
  void save() const;
  // Writes or removes the sign-in autostart entry according to startWithWindows.
  void applyAutostart() const;
};

// dataDir() + "/settings.ini".
std::filesystem::path settingsFile();

// Replaces the five preferences from the page's JSON object, then saves, applies autostart
// and publishes the download rate limit. A member of the wrong JSON type stops at that member:
// the fields before it keep their new values in memory and nothing else happens. Returns false
// in that case (and for a payload that is not an object).
bool applySettings(SettingsStore& settings, const nlohmann::json& payload);

// "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X" of sixteen bytes in order.
std::string formatInstallId(const std::array<std::uint8_t, 16>& bytes);

}  // namespace duskmere
