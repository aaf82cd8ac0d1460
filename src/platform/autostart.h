// Starting a program when the user signs in to the desktop.
#pragma once

#include <filesystem>
#include <string>

namespace duskmere::platform {

// Registers `executable` followed by `arguments` to start at sign-in under `name`,
// replacing an earlier registration of that name. False when it could not be written.
bool enableAutostart(const std::string& name, const std::filesystem::path& executable,
                     const std::string& arguments);

// Removes the registration; a missing one is no error.
void disableAutostart(const std::string& name);

// Where the registration of `name` lives (for inspection).
std::filesystem::path autostartEntryPath(const std::string& name);

}  // namespace duskmere::platform
