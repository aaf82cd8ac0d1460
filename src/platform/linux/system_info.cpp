#include "platform/system_info.h"

#include <sys/utsname.h>

namespace duskmere::platform {

std::string operatingSystemText() {
  struct utsname name {};
  if (uname(&name) != 0)
    return "Linux";
  return std::string("Linux ") + name.release + " (" + name.machine + ")";
}

}  // namespace duskmere::platform
