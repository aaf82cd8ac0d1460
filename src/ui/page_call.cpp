#include "ui/page_call.h"

namespace duskmere {

std::string compactJson(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string pageCallScript(const std::string& function, const std::string& argumentJson) {
  return "LauncherUI." + function + "(" + argumentJson + ")";
}

}  // namespace duskmere
