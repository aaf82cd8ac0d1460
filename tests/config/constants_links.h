#pragma once

#include <string>
#include <vector>

namespace duskmere {

struct MovedConstants {
  std::string patchHost;
  std::string apiHost;
  std::string feedHost;
  std::vector<std::string> links;
};

MovedConstants constantsBuiltForOtherHosts();

}  // namespace duskmere
