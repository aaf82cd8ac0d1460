// What the usage reports say about the operating system.
#pragma once

#include <string>

namespace duskmere::platform {

// "Linux " + kernel release + " (" + machine + ")", e.g. "Linux 6.1.0-18-amd64 (x86_64)";
// "Linux" alone when the kernel cannot be asked.
std::string operatingSystemText();

}  // namespace duskmere::platform
