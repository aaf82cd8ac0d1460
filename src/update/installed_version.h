// What a game folder records about its installation: the installed version and the list of
// installed files that the uninstaller removes.
#pragma once

#include <cstdint>
#include <filesystem>

#include "update/file_manifest.h"

namespace duskmere {

// The version in the folder's version file; 0 when it is missing, empty or malformed.
std::int32_t readInstalledVersion(const std::filesystem::path& gameFolder);

// Replaces the version file's content with the decimal version.
bool writeInstalledVersion(const std::filesystem::path& gameFolder, std::int32_t version);

// Appends every listed path that is not yet a line of the uninstall list, in list order.
bool recordInstalledPaths(const std::filesystem::path& gameFolder, const FileManifest& manifest);

}  // namespace duskmere
