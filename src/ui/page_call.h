// The script texts that make the page call one of its LauncherUI functions.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace duskmere {

// Compact JSON with sorted keys and raw UTF-8; invalid UTF-8 becomes U+FFFD instead of failing.
std::string compactJson(const nlohmann::json& value);

// "LauncherUI.<function>(<argument>)" with the argument already JSON text.
std::string pageCallScript(const std::string& function, const std::string& argumentJson);

}  // namespace duskmere
