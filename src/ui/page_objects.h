// The JSON objects the host hands to the page: status, progress, versions, links, install.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "update/update_engine.h"

namespace duskmere {

// Bytes the install form asks for: 3400 MiB.
constexpr std::int64_t kInstallNeedBytes = 3565158400;

// The page's name of an engine state; 0 has none (empty), unknown codes read "checking".
std::string stateName(std::int32_t state);

nlohmann::json engineStatusObject(const ProgressSnapshot& snapshot);
// "client" only for a version above 0, as version / 100 with two decimals.
nlohmann::json versionsObject(std::int32_t version);
nlohmann::json linksObject();
nlohmann::json installStatusObject(const std::string& installPath, std::uint64_t freeBytes,
                                   const std::string& error);

// The settings script: the stored values, each checked so it may stand in the script unquoted.
std::string settingsScript(const std::string& language, int downloadLimitMBps, bool closeOnLaunch,
                           bool startWithWindows, bool notifyEvents);

}  // namespace duskmere
