#include "config/settings_store.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "config/constants.h"
#include "config/download_rate_limit.h"
#include "config/folders.h"
#include "platform/autostart.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/random.h"

namespace duskmere {
namespace {

constexpr const char* kAutostartName = "DuskmereLauncher";

std::string boolText(bool value) {
  return value ? "1" : "0";
}

// A member taken with its default when absent; a present member of another type throws the
// JSON library's type error.
template <typename T>
T member(const nlohmann::json& payload, const char* key, T fallback) {
  const auto found = payload.find(key);
  return found == payload.end() ? fallback : found->get<T>();
}

// An integer member; numbers beyond int's range are clamped rather than wrapped (a float
// outside the range would otherwise be undefined to convert).
int intMember(const nlohmann::json& payload, const char* key, int fallback) {
  const auto found = payload.find(key);
  if (found == payload.end())
    return fallback;
  const double number = found->get<double>();  // throws the type error for non-numbers
  if (number >= INT_MAX)
    return INT_MAX;
  if (number <= INT_MIN)
    return INT_MIN;
  if (found->is_number_float())
    return static_cast<int>(number);
  return static_cast<int>(found->get<std::int64_t>());
}

}  // namespace

std::filesystem::path settingsFile() {
  return dataDir() / "settings.ini";
}

std::string formatInstallId(const std::array<std::uint8_t, 16>& b) {
  char text[37];
  std::snprintf(text, sizeof text,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1],
                b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return text;
}

void SettingsStore::load() {
  const auto file = settingsFile();
  auto ini = platform::readIniFile(file);

  gamePath = platform::iniString(ini, "launcher", "gamePath", "");
  if (gamePath.empty() || !platform::pathExists(gamePath))
    gamePath = appDir().string();

  language = platform::iniString(ini, "launcher", "language", "en");
  downloadLimitMBps = platform::iniInt(ini, "launcher", "downloadLimitMBps", 0);
  closeOnLaunch = platform::iniInt(ini, "launcher", "closeOnLaunch", 0) != 0;
  startWithWindows = platform::iniInt(ini, "launcher", "startWithWindows", 0) != 0;
  notifyEvents = platform::iniInt(ini, "launcher", "notifyEvents", 1) != 0;
  user = platform::iniString(ini, "session", "user", "");
  coins = std::strtoll(platform::iniString(ini, "session", "coins", "0").c_str(), nullptr, 10);
  avatar = platform::iniString(ini, "session", "avatar", "");
  lastSeason = platform::iniString(ini, "notify", "lastSeason", "");
  lastNews = platform::iniString(ini, "notify", "lastNews", "");
  lastMaintenance = platform::iniString(ini, "notify", "lastMaintenance", "");
  installId = platform::iniString(ini, "telemetry", "installId", "");

  if (installId.empty()) {
    if (const auto bytes = platform::randomGuidBytes()) {
      installId = formatInstallId(*bytes);
      platform::setIniString(ini, "telemetry", "installId", installId);
      platform::writeIniFile(file, ini);
    }
  }
}

void SettingsStore::save() const {
  const auto file = settingsFile();
  auto ini = platform::readIniFile(file);
  platform::setIniString(ini, "launcher", "gamePath",
                         gamePath == appDir().string() ? std::string() : gamePath);
  platform::setIniString(ini, "launcher", "language", language);
  platform::setIniString(ini, "launcher", "downloadLimitMBps", std::to_string(downloadLimitMBps));
  platform::setIniString(ini, "launcher", "closeOnLaunch", boolText(closeOnLaunch));
  platform::setIniString(ini, "launcher", "startWithWindows", boolText(startWithWindows));
  platform::setIniString(ini, "launcher", "notifyEvents", boolText(notifyEvents));
  platform::setIniString(ini, "session", "user", user);
  platform::setIniString(ini, "session", "coins", std::to_string(coins));
  platform::setIniString(ini, "session", "avatar", avatar);
  platform::setIniString(ini, "notify", "lastSeason", lastSeason);
  platform::setIniString(ini, "notify", "lastNews", lastNews);
  platform::setIniString(ini, "notify", "lastMaintenance", lastMaintenance);
  platform::setIniString(ini, "telemetry", "installId", installId);
  platform::writeIniFile(file, ini);
}

void SettingsStore::applyAutostart() const {
  if (startWithWindows) {
    platform::enableAutostart(kAutostartName, exePath(), "-tray");
  } else {
    platform::disableAutostart(kAutostartName);
  }
}

bool applySettings(SettingsStore& settings, const nlohmann::json& payload) {
  if (!payload.is_object())
    return false;
  try {
    settings.language = member<std::string>(payload, "language", "en");
    settings.downloadLimitMBps = intMember(payload, "downloadLimitMBps", 0);
    settings.closeOnLaunch = member<bool>(payload, "closeOnLaunch", false);
    settings.startWithWindows = member<bool>(payload, "startWithWindows", false);
    settings.notifyEvents = member<bool>(payload, "notifyEvents", true);
  } catch (const nlohmann::json::type_error&) {
    return false;
  }
  settings.save();
  settings.applyAutostart();
  setDownloadRateLimit(rateLimitBytesPerSecond(settings.downloadLimitMBps));
  return true;
}

}  // namespace duskmere
